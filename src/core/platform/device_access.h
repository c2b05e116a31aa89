#pragma once

#include <QString>

// What the operator can do when the current user may not open `device`
// read-write, as one sentence naming the group that owns the device, e.g.
//   /dev/ttyUSB0 belongs to the group "dialout"; add yourself with
//   "sudo usermod -aG dialout alice" and log in again.
// Empty when the device does not exist or the user can open it read-write.
QString permissionHint(const QString& device);

// The sentence of permissionHint() for a device owned by `group`. `user` is
// the login name ("$USER" when empty). groupMayReadWrite: the device's mode
// grants its group read and write; when it does not, joining the group would
// not help and the sentence says so.
QString permissionHintText(const QString& device, const QString& group, const QString& user,
                           bool groupMayReadWrite);
