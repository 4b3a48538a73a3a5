#pragma once

namespace zelvaro {

// x^y, correctly rounded in nearly every case (worst error 0.54 ULP), and
// the same bits on every build: the native one on any CPU, and the
// WebAssembly one. The C library's pow picks a variant by the CPU (with or
// without fused multiply-add) and the two differ in the last bit now and
// then, enough to change the 15th digit of a report. This is the variant
// without fused multiply-add of the implementation that glibc and musl
// both use, compiled into the program (see LICENSE in this folder).
double shared_pow(double x, double y);

} // namespace zelvaro
