// Mirrors and quarter turns: copying forms return a new image, in-place forms
// change the image behind its handle.
#pragma once

#include <cstdint>

#include "image/image.h"
#include "processing/library_object.h"

namespace tarn::lux {

class ImageTransformer
    : public LibraryObject<TARN_LUX_ImageTransformerHandle, TARN_LUX_ImageTransformer_Construct,
                           TARN_LUX_ImageTransformer_AcquireReference, TARN_LUX_ImageTransformer_Destruct> {
 public:
  using LibraryObject::LibraryObject;

  // The counterclockwise angle in degrees.
  enum RotationAngle : uint16_t {
    RotationAngle_Degree90Counterclockwise = TARN_LUX_RotationAngle_Degree90Counterclockwise,
    RotationAngle_Degree90Clockwise = TARN_LUX_RotationAngle_Degree90Clockwise,
    RotationAngle_Degree180 = TARN_LUX_RotationAngle_Degree180,
  };

  Image MirrorUpDown(const Image &inputImage) const { return copied(TARN_LUX_ImageTransformer_MirrorUpDown, inputImage); }
  Image MirrorLeftRight(const Image &inputImage) const {
    return copied(TARN_LUX_ImageTransformer_MirrorLeftRight, inputImage);
  }
  Image MirrorUpDownLeftRight(const Image &inputImage) const {
    return copied(TARN_LUX_ImageTransformer_MirrorUpDownLeftRight, inputImage);
  }
  void MirrorUpDownInPlace(Image &image) const {
    check(TARN_LUX_ImageTransformer_MirrorUpDownInPlace(handle(), image.handle()));
  }
  void MirrorLeftRightInPlace(Image &image) const {
    check(TARN_LUX_ImageTransformer_MirrorLeftRightInPlace(handle(), image.handle()));
  }
  void MirrorUpDownLeftRightInPlace(Image &image) const {
    check(TARN_LUX_ImageTransformer_MirrorUpDownLeftRightInPlace(handle(), image.handle()));
  }
  Image Rotate(const Image &inputImage, RotationAngle rotationAngle) const {
    TARN_LUX_ImageHandle result = nullptr;
    check(TARN_LUX_ImageTransformer_Rotate(handle(), inputImage.handle(), &result, rotationAngle));
    return Image(result);
  }
  void RotateInPlace(Image &image, RotationAngle rotationAngle) const {
    check(TARN_LUX_ImageTransformer_RotateInPlace(handle(), image.handle(), rotationAngle));
  }

 private:
  using Copying = TARN_LUX_RETURN_CODE (*)(TARN_LUX_ImageTransformerHandle, TARN_LUX_ImageHandle,
                                           TARN_LUX_ImageHandle *);
  Image copied(Copying operation, const Image &input) const {
    TARN_LUX_ImageHandle result = nullptr;
    check(operation(handle(), input.handle(), &result));
    return Image(result);
  }
};

}  // namespace tarn::lux
