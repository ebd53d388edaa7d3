#include "client/EntityClient.h"
