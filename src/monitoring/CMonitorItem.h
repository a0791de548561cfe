#pragma once
#include <string>

#include "core/xml.h"

namespace pv {

class IPrompts;

// One monitor of the monitor configuration file: a Java class and the parameter it is started with, for the
// built-in monitors the name of their own configuration file.
struct CMonitorItem {
    std::string ClassName;
    std::string Parameter;        // as stored; "+" is the folder of MonitorFilePath
    std::string MonitorFilePath;  // full path of the monitor file holding the entry; never written
    bool Changed = false;         // set by an editor that changed ClassName or Parameter; never cleared

    // Reads one Monitor element, the `number`th of the file (from 1). An element without a class name is
    // refused: "Missing ClassName in monitor config" is shown, naming the file and the entry, and false
    // returned.
    bool LoadFromNode(XmlNode node, const std::string& monitorFilePath, int number, IPrompts& prompts);
    // Where an entry is, as the messages about it say it: the reader keeps no lines, so its number.
    static std::string Whereabouts(const std::string& monitorFilePath, int number);
    // The list line: the parameter, then the class name in parentheses.
    std::string getDisplay() const;
};

}  // namespace pv
