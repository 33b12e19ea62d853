#ifndef THERMOMETER_H
#define THERMOMETER_H
#include "sensor.h"
extern struct sensor thermometer;
#endif
