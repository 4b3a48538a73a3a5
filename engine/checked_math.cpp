#include "checked_math.h"

namespace zelvaro {

double general_power(double x, double e) { return std::pow(x, e); }

} // namespace zelvaro
