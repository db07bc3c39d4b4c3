// The layer's own access to what a font or provider was made from, for the
// CoreText layer. Any thread.
#pragma once

#include <CoreGraphics/CGFont.h>
#include <CoreGraphics/CGSfnt.h>

namespace cgx {

// The provider's bytes (not owned; valid while the provider lives).
const uint8_t* ProviderBytes(CGDataProviderRef provider, size_t* size);
// The file URL a provider was read from (not owned), or null.
CFURLRef ProviderURL(CGDataProviderRef provider);
// The provider a font was made from (not owned).
CGDataProviderRef FontProvider(CGFontRef font);
// The names of the font's face.
const SfntFace* FontFace(CGFontRef font);
// A font of face faceIndex of a collection (CGFontCreateWithDataProvider
// makes face 0); null when the data has no such face.
CGFontRef CreateFontWithFace(CGDataProviderRef provider, uint32_t faceIndex);
uint32_t FontFaceIndex(CGFontRef font);

}  // namespace cgx
