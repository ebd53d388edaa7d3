#include "engine/object/BaseClass.h"

BaseClass::~BaseClass() = default;
