// Mirrors and quarter turns of whole images, copying or in place.
//
// Every unpacked format is transformed, whole pixels moved unchanged. A Bayer
// mosaic keeps its colour sites: the result reports the pattern found at its
// new origin, so mirroring up-down changes the pattern when the height is even
// (BayerBG8 becomes BayerGR8), left-right when the width is even (BayerBG8
// becomes BayerGB8), both ways or a half turn when either is (BayerBG8 becomes
// BayerRG8 when both are), and a quarter turn reports whatever colour lands on
// the corner (BayerBG8 turned clockwise with an even height is BayerGB8).
//
// The 4:2:0 formats move their chroma pairs with the 2 x 2 blocks they
// serve, so an operation that reverses the order of columns (mirroring
// left-right or both ways, a half turn, a counterclockwise quarter turn)
// needs an even width, and one that reverses rows (up-down, both ways, a half
// turn, a clockwise quarter turn) an even height; other sizes answer
// TARN_LUX_RETURN_CODE_INVALID_ARGUMENT.
//
// Packed formats answer TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED
// ("... has a packed pixel format"), a rotation angle other than 90, 180 and
// 270 TARN_LUX_RETURN_CODE_INVALID_ARGUMENT.
//
// In place, mirrors and half turns exchange pixels within the image's memory.
// A quarter turn of a non-square image needs the turned copy before it can
// overwrite the original, so it goes through one temporary frame; the image
// keeps its memory (and with it a caller's buffer) and swaps its width and
// height.
#pragma once

#include "core/image.h"
#include "geometry/flip_kernels.h"

namespace orx {

flip::GridMap mirrorMap(bool upDown, bool leftRight);
// angle is counterclockwise, in degrees.
flip::GridMap rotationMap(TARN_LUX_RotationAngle angle);

// `parameter` names the image in failure descriptions.
Image transformImage(const Image& image, flip::GridMap map, const char* parameter);
void transformInPlace(Image& image, flip::GridMap map, const char* parameter);

}  // namespace orx
