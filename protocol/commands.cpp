#include "protocol/commands.h"

Bytes BuildStop() { return BuildRequest(kCmdStop); }
Bytes BuildHandshake() { return BuildRequest(kCmdHandshake); }
Bytes BuildVersionQuery() { return BuildRequest(kCmdVersion); }
Bytes BuildMultiStart() { return BuildRequest(kCmdMultiStart); }
