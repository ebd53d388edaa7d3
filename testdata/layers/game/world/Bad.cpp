// A rule that reaches up into the server and the OpenGL drawing.
#include "server/Server.h"
#include "graphics/GlStateCache.h"
#include "graphics/codecs/S3tc.h"
