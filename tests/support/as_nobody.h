#pragma once

#include <QtGlobal>

#include <unistd.h>

// Root may write anywhere: while one lives, files are checked as the user
// nobody (the real ids stay root, so it can switch back). Does nothing for
// another user.
struct AsNobody
{
    const bool root = geteuid() == 0;
    AsNobody()
    {
        if (root && (setegid(65534) != 0 || seteuid(65534) != 0))
            qFatal("cannot act as nobody");
    }
    ~AsNobody()
    {
        if (root && (seteuid(0) != 0 || setegid(0) != 0))
            qFatal("cannot return to root");
    }
    AsNobody(const AsNobody&) = delete;
    AsNobody& operator=(const AsNobody&) = delete;
};
