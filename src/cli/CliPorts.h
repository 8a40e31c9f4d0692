#pragma once

#include "link/PortFinder.h"

#include <QString>

// One candidate port as `ports` lists it: the device, its /dev/serial/by-id name, its USB
// vendor:product ids and its serial number, tab-separated, "-" where the system reports
// nothing. The device stays the first field, so scripts that take it keep working.
QString PortLine(const PortRecord& port);

// The port at `device` as the system lists it (a link such as /dev/serial/by-id/... is
// followed); just the device when the system does not list it.
PortRecord DescribePort(const QString& device);

// A udev rule that gives the logged-in user the meter's port (so the dialout group is not
// needed), keeps ModemManager away from it and adds the link /dev/qx390d: matched on the
// port's exact USB ids and serial number. Empty when the port reports no USB ids.
QString UdevRule(const PortRecord& port);
