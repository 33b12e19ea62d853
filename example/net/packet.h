#ifndef PACKET_H
#define PACKET_H
/* A packet knows the uplink that sends it, and the uplink knows packets. */
#include "uplink.h"
struct packet { unsigned char bytes[64]; };
#endif
