#pragma once
// The integer separable blur of layer shadows: a byte kernel of Gaussian taps and a
// one-dimensional pass that writes its result transposed, so two passes blur both directions
// while walking memory the same way. Any thread (pure functions over the caller's buffers).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fx::gfx {

/** The taps k[0..n-1] for a blur width b (at least 1): k[i] = round(255·exp(−i²·4.5/b²)), n =
 *  ceil(b). Returns the norm k[0] + 2·(k[1] + … + k[n−1]). */
uint32_t MakeShadowKernel(float b, std::vector<uint8_t>& kernel);

/** Blurs nLines lines of len samples. Samples are 4 bytes apart; line i starts at
 *  in + i·inLineStride (the stride may be negative). Sample j of line i goes to
 *  out[j·outStride + i·4]. Samples beyond a line's ends are left out of the sum (the divisor
 *  stays the norm), so values fall off towards 0 near the ends. */
void BlurShadowPass(const uint8_t* in, ptrdiff_t inLineStride, int nLines, int len, uint8_t* out, ptrdiff_t outStride,
                    const std::vector<uint8_t>& kernel, uint32_t norm);

} // namespace fx::gfx
