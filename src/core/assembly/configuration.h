#pragma once

#include "com_ports.h"
#include "class_choice.h"

#include <QString>

// What the tool is wired from, read once at its start: the devices behind
// Com 1 to Com 4 (IEC1000_COMn, then --com1 to --com4), the record store
// (IEC1000_DB, then --db) and, for a command, the class it judges under.
struct Configuration
{
    ComDevices devices;
    // A store name as RecordStore::open takes it.
    QString storeName;
    // The class a command judges under (--class, --power); the window's
    // operator picks it in the window instead.
    ClassChoice choice;

    // The machine's ports and the default store, with what IEC1000_COM1 to
    // IEC1000_COM4 and IEC1000_DB name in their place.
    static Configuration fromEnvironment();
};
