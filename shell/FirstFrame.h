#pragma once
// A measuring aid for start-up benchmarks and tests: with the environment variable
// QUORVEX_EXIT_AFTER_FIRST_FRAME set, the program prints "first frame: <window>" on standard
// output as soon as the main window (or the fatal message) has painted its first frame, and
// then ends its event loops. Without the variable nothing is installed.

inline constexpr char FIRST_FRAME_VARIABLE[] = "QUORVEX_EXIT_AFTER_FIRST_FRAME";

void InstallFirstFrameExit();
