#ifndef UNITS_H
#define UNITS_H
#include <math.h>
double kelvin_from_celsius(double c);
#endif
