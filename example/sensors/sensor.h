#ifndef SENSOR_H
#define SENSOR_H
#include "../units.h"
struct sensor { const char *name; double (*read)(void); };
#endif
