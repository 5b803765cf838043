// The image transformer: mirrors and quarter turns (geometry/transform.h).
// The transformer has no settings; its handle exists so that the interface
// matches the other processing classes.
#include "core/api.h"
#include "core/image.h"
#include "geometry/transform.h"

namespace orx {
struct ImageTransformer {};
}  // namespace orx
ORX_BIND_HANDLE(TARN_LUX_ImageTransformerHandle, orx::ImageTransformer);

using namespace orx;

namespace {

ReturnCode copying(const char* operation, TARN_LUX_ImageTransformerHandle transformer, TARN_LUX_ImageHandle input,
                   TARN_LUX_ImageHandle* output, flip::GridMap (*map)(TARN_LUX_RotationAngle),
                   TARN_LUX_RotationAngle angle) {
    return api::guard(operation, [&] {
        TARN_LUX_ImageHandle& result = check::out(output, "output");
        api::use(transformer);
        api::publish(result, transformImage(*api::use(input), map(angle), "inputImage"));
    });
}

ReturnCode inPlace(const char* operation, TARN_LUX_ImageTransformerHandle transformer, TARN_LUX_ImageHandle image,
                   flip::GridMap (*map)(TARN_LUX_RotationAngle), TARN_LUX_RotationAngle angle) {
    return api::guard(operation, [&] {
        api::use(transformer);
        transformInPlace(*api::use(image), map(angle), "image");
    });
}

flip::GridMap upDown(TARN_LUX_RotationAngle) { return mirrorMap(true, false); }
flip::GridMap leftRight(TARN_LUX_RotationAngle) { return mirrorMap(false, true); }
flip::GridMap bothWays(TARN_LUX_RotationAngle) { return mirrorMap(true, true); }

}  // namespace

extern "C" {

TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_Construct(TARN_LUX_ImageTransformerHandle* transformer) {
    return api::guard(__func__, [&] { api::publish(check::out(transformer, "transformer")); });
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_MirrorUpDown(TARN_LUX_ImageTransformerHandle transformer,
                                                            TARN_LUX_ImageHandle input, TARN_LUX_ImageHandle* output) {
    return copying(__func__, transformer, input, output, upDown, 0);
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_MirrorLeftRight(TARN_LUX_ImageTransformerHandle transformer,
                                                               TARN_LUX_ImageHandle input,
                                                               TARN_LUX_ImageHandle* output) {
    return copying(__func__, transformer, input, output, leftRight, 0);
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_MirrorUpDownLeftRight(TARN_LUX_ImageTransformerHandle transformer,
                                                                     TARN_LUX_ImageHandle input,
                                                                     TARN_LUX_ImageHandle* output) {
    return copying(__func__, transformer, input, output, bothWays, 0);
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_MirrorUpDownInPlace(TARN_LUX_ImageTransformerHandle transformer,
                                                                   TARN_LUX_ImageHandle image) {
    return inPlace(__func__, transformer, image, upDown, 0);
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_MirrorLeftRightInPlace(TARN_LUX_ImageTransformerHandle transformer,
                                                                      TARN_LUX_ImageHandle image) {
    return inPlace(__func__, transformer, image, leftRight, 0);
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_MirrorUpDownLeftRightInPlace(
    TARN_LUX_ImageTransformerHandle transformer, TARN_LUX_ImageHandle image) {
    return inPlace(__func__, transformer, image, bothWays, 0);
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_Rotate(TARN_LUX_ImageTransformerHandle transformer,
                                                      TARN_LUX_ImageHandle input, TARN_LUX_ImageHandle* output,
                                                      TARN_LUX_RotationAngle angle) {
    return copying(__func__, transformer, input, output, rotationMap, angle);
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_RotateInPlace(TARN_LUX_ImageTransformerHandle transformer,
                                                             TARN_LUX_ImageHandle image, TARN_LUX_RotationAngle angle) {
    return inPlace(__func__, transformer, image, rotationMap, angle);
}

}  // extern "C"
