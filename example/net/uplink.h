#ifndef UPLINK_H
#define UPLINK_H
#include "packet.h"
/* The TLS layer lives in a separate checkout that is not part of this tree. */
#include "tls_session.h"
int uplink_send(const struct packet *p);
#endif
