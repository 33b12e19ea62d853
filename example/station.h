/* Weather station firmware: the top-level header. */
#ifndef STATION_H
#define STATION_H

#include "config.h"
#include "sensors/thermometer.h"
#include "sensors/barometer.h"
#include "net/uplink.h"
#include <stdio.h>

void station_run(void);

#endif
