#pragma once
// Result codes of every fallible operation. 0 is success; every other value is also the
// text ID of the message that reports it, so the numbers are fixed.

enum ResultCode : int {
    RESULT_OK = 0,

    // Program and description files.
    RESULT_OUT_OF_MEMORY = 21,    // a buffer could not be allocated
    RESULT_CANNOT_WRITE = 22,     // the file cannot be created or written
    RESULT_CANNOT_READ = 23,      // the file cannot be opened or read
    RESULT_NOT_PROGRAM_FILE = 24, // too short, bad version, other model, wrong length
    RESULT_BAD_CHECKSUM = 25,     // checksum mismatch

    // Serial frames.
    RESULT_BAD_ESCAPE = 28,       // escape byte followed by something other than 0x01 or 0x02
    RESULT_BAD_START = 29,        // a reply does not begin with the start byte
    RESULT_BAD_LENGTH = 30,       // reply length byte below 4 or not the expected length
    RESULT_FRAME_CHECKSUM = 31,   // reply checksum mismatch
    RESULT_WRITE_FAILED = 32,     // the system reported a write failure
    RESULT_READ_FAILED = 33,      // the system reported a read failure
    RESULT_NO_PORT = 34,          // no relay selected, or its port cannot be opened

    // Relay commands.
    RESULT_WRITE_NOT_ACCEPTED = 35, // the relay did not accept a program write
    RESULT_VIEW_MISMATCH = 36,      // the relay's program differs from the document's
    RESULT_TIMEOUT = 37,            // no byte within the time-out, or a short write
    RESULT_WRONG_MODEL = 39,        // the relay is of another model than the program
    RESULT_PASSWORD_REFUSED = 40,   // password refused, or the password prompt was cancelled
    RESULT_PASSWORD_MISMATCH = 41,  // new password and its confirmation differ
    RESULT_RESET_REFUSED = 42,      // the relay refused to reset its password

    // Added later; their messages are extended texts with the same numbers.
    RESULT_VERIFY_MISMATCH = 460,      // the program read back after a send differs from the one sent
    RESULT_PASSWORD_TOO_LONG = 461,    // a password longer than the relay's 8 bytes (refused before sending)
    RESULT_NO_PASSWORD = 462,          // a password command for model QVR_K115_ZQX, which has none
    RESULT_INVALID_PROGRAM_TEXT = 463, // a program text that cannot be read (ProgramText.h says where)
};
