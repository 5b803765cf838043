// Chooses between the vectorised kernels and their scalar references.
//
// Every kernel has a plain scalar version that defines its result. A fast
// version, where one exists, handles as much of a row as its vector width
// allows and the scalar version finishes the row, so both must give the same
// bytes; tests compare them over many sizes.
#pragma once

namespace orx {

// True when the fast kernels may run: the processor has the instructions they
// are compiled for (AVX2), and scalar execution was not forced, either by the
// environment variable TARN_LUX_FORCE_SCALAR=1 or by setForceScalar(true).
bool useFastKernels();

// Lets tests run the same operation on both paths within one process.
void setForceScalar(bool force);

// True when useFastKernels() is and the processor also has the 512-bit byte
// permutes (AVX-512 F, BW and VBMI) that the ORX_WIDE_TARGET kernels use.
bool useWideKernels();

}  // namespace orx

// Marks a function compiled for AVX2; call it only when useFastKernels() says so.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ORX_HAVE_FAST_KERNELS 1
#define ORX_FAST_TARGET __attribute__((target("avx2")))
#define ORX_WIDE_TARGET __attribute__((target("avx2,avx512f,avx512bw,avx512vbmi")))
#else
#define ORX_HAVE_FAST_KERNELS 0
#define ORX_FAST_TARGET
#define ORX_WIDE_TARGET
#endif
