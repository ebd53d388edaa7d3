#pragma once

// trunc(value) saturated to the int range; NaN gives 0.
int saturate(double value);
