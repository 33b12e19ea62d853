#ifndef BAROMETER_H
#define BAROMETER_H
#include "sensor.h"
extern struct sensor barometer;
#endif
