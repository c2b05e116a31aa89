#pragma once

#include "com_ports.h"
#include "class_choice.h"

#include <QString>

// What the tool is wired from, read once at its start: the devices behind
// Com 1 to Com 4 (IEC1000_COMn, then --com1 to --com4), the record store
// (IEC1000_DB, then --db) and, for a command, the class it judges under.
// The configuration file's key for the edition every face judges by until
// the operator chooses another ("1995" or "2018"): the file is the one the
// window keeps its settings in, QSettings "iec1000", "iec1000"
// (~/.config/iec1000/iec1000.conf), and the window's choice is written there.
inline constexpr const char* kEditionSetting = "edition";

// The edition the configuration file names; kDefaultEdition when it names
// none or one this tool does not know.
Edition configuredEdition();

struct Configuration
{
    ComDevices devices;
    // A store name as RecordStore::open takes it.
    QString storeName;
    // The class a command judges under (--class, --power); the window's
    // operator picks it in the window instead.
    ClassChoice choice;

    // The machine's ports and the default store, with what IEC1000_COM1 to
    // IEC1000_COM4 and IEC1000_DB name in their place; the edition the
    // configuration file names (kEditionSetting), 1995 without one.
    static Configuration fromEnvironment();
};
