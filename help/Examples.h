#pragma once
// The example programs that come with Quorvex: working programs that a technician opens,
// runs in the simulator and changes. Each is a program file in the installed examples folder
// (built from its text form, examples/<name>.json in the sources), has a title and a short
// description in the language modules, and a page of the user guide that explains it.
// The desktop program opens them as new untitled programs (File > New from example);
// quorvexctl writes them into files (new --example, new --list-examples).

#include "ModelTypes.h"

#include <QString>

#include <memory>
#include <span>

class CQuorvexDoc;

struct ExampleInfo {
    const char* name;       // file name without ".qvp"; the name quorvexctl takes
    ModelCode model;        // the relay model the program is for
    int titleTextId;        // its title in the language modules
    int descriptionTextId;  // what it does, in two or three sentences
    const char* guidePage;  // the guide page that explains it (in the guide folder)
};

// Every example, in the order the chooser and quorvexctl list them: the one-channel
// programs from the simplest up, then the two-channel ones.
std::span<const ExampleInfo> Examples();
// The example of a name (exactly as listed); null for another name.
const ExampleInfo* FindExample(const QString& name);
// The installed program file of an example.
QString ExampleFilePath(const ExampleInfo& example);
// Loads an example's program file into a new document of the example's model, not
// modified. Returns 0, or the result code of the failure: 23 when the file is missing or
// unreadable, 24 or 25 when it is no intact program file of that model.
int LoadExample(const ExampleInfo& example, std::unique_ptr<CQuorvexDoc>* doc);
