#include "engine/checked_math.h"

#include "engine/pow/shared_pow.h"

namespace zelvaro {

double general_power(double x, double e) {
  return shared_pow(x, e);
}

} // namespace zelvaro
