#include "../server/Server.h"
