/*
 * orx_tarn_lux: camera-image processing library, C interface.
 *
 * Conventions shared by every function below:
 *
 *  - Every function returns a TARN_LUX_RETURN_CODE; 0 means success. On
 *    failure TARN_LUX_GetLastError, called next on the same thread, tells the
 *    code and a description of what was wrong and with which value. A failed
 *    call leaves its out-parameters and the objects it was given unchanged
 *    (but for the count of a too-small array, see the size query below).
 *  - Results come back through out-parameters only. A null out-parameter
 *    answers TARN_LUX_RETURN_CODE_INVALID_ARGUMENT.
 *  - Handles name reference-counted library objects. A Construct (or any
 *    operation that writes a new handle) and every AcquireReference are each
 *    balanced by one Destruct; the object lives until the last Destruct. A
 *    null, already destroyed or wrong-kind handle answers
 *    TARN_LUX_RETURN_CODE_INVALID_HANDLE. Handles may be used from several
 *    threads; an object stays alive for the length of any call using it even
 *    if another thread destroys its handle meanwhile.
 *  - Two-call size query for variable-length results: call once with a null
 *    array and *count (or *size) holding anything, and the library stores the
 *    number of elements needed; call again with an array of at least that many
 *    elements and *count holding its capacity. A capacity smaller than needed
 *    answers TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL and stores the number
 *    needed. For text, the count includes the terminating NUL.
 *  - Sizes, counts and byte lengths are size_t; enumerations are 32-bit unless
 *    stated; a size is a TARN_LUX_Size2D (width, height), a position a
 *    TARN_LUX_Point2D (x, y).
 *
 * Image memory: one contiguous block, rows one after the other without any
 * padding, TARN_LUX_Image_ByteCount bytes long. For formats whose pixels are
 * whole bytes a row is width * (storage bits per pixel / 8) bytes. Packed
 * formats are one continuous bit stream (or group stream) over all pixels in
 * row order, so a row of a packed format need not start on a byte boundary;
 * their byte count is the storage size of width * height pixels.
 *
 * Pixel formats: the standard names and values follow the GenICam Pixel Format
 * Naming Convention. Multi-byte channels (Mono10, RGB12, ...) are 16-bit
 * little-endian words holding the value in their low bits. The "p" formats
 * (Mono10p, BayerRG12p, ...) are LSB-first bit streams: pixel i occupies bits
 * [i*B, (i+1)*B) of the stream, bit k of the stream being bit (k mod 8) of
 * byte (k / 8). RGB10p32/BGR10p32 hold one pixel per 32-bit little-endian
 * word: first channel (R, resp. B) in bits 0-9, second in 10-19, third in
 * 20-29, bits 30-31 zero.
 *
 * Vendor formats ending in ORX:
 *
 *  - ...10g40ORX: groups of four pixels in five bytes. Bytes 0-3 hold the
 *    high 8 bits (bits 9..2) of pixels 0-3; byte 4 holds the four 2-bit low
 *    parts, pixel 0 in bits 0-1, pixel 1 in bits 2-3, pixel 2 in bits 4-5,
 *    pixel 3 in bits 6-7. A trailing partial group occupies a whole group of
 *    five bytes, its unused pixel slots zero.
 *  - ...12g24ORX: groups of two pixels in three bytes. Byte 0 holds bits
 *    11..4 of pixel 0, byte 1 bits 11..4 of pixel 1, byte 2 the low nibbles:
 *    pixel 0 in bits 0-3, pixel 1 in bits 4-7. A trailing single pixel
 *    occupies a whole group of three bytes.
 *  - YUV420_8_YY_UV_SemiplanarORX / YUV420_8_YY_VU_SemiplanarORX: the full
 *    8-bit Y plane (width * height bytes, row after row), followed by one
 *    interleaved chroma plane of ceil(width/2) x ceil(height/2) samples pairs,
 *    U then V (UV) or V then U (VU), each pair covering a 2x2 block of the Y
 *    plane (the last column / row of blocks covers only one pixel when the
 *    size is odd). An image of W x H therefore has
 *    W*H + 2*ceil(W/2)*ceil(H/2) bytes. As a bare pixel count, without a
 *    shape, TARN_LUX_PixelFormat_CalculateStorageSizeOfPixels counts 12 bits
 *    per pixel rounded up to whole bytes, which equals the image size when
 *    both dimensions are even.
 *
 * The empty image has the format TARN_LUX_PixelFormatName_Invalid and size
 * 0 x 0; it can always be constructed. Every other image has a known format
 * and at least one pixel.
 */
#ifndef ORX_TARN_LUX_H
#define ORX_TARN_LUX_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define TARN_LUX_API __attribute__((visibility("default")))
#else
#define TARN_LUX_API
#endif

#ifdef __cplusplus
#define TARN_LUX_STATIC_ASSERT(condition, message) static_assert(condition, message)
#else
#define TARN_LUX_STATIC_ASSERT(condition, message) _Static_assert(condition, message)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------ */
/* Return codes                                                             */
/* ------------------------------------------------------------------------ */

typedef int32_t TARN_LUX_RETURN_CODE;

#define TARN_LUX_RETURN_CODE_SUCCESS 0
#define TARN_LUX_RETURN_CODE_ERROR 1
#define TARN_LUX_RETURN_CODE_INVALID_HANDLE 2
#define TARN_LUX_RETURN_CODE_IO_ERROR 3
#define TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL 4
#define TARN_LUX_RETURN_CODE_INVALID_ARGUMENT 5
#define TARN_LUX_RETURN_CODE_OUT_OF_RANGE 6
#define TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED 7
#define TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR 8
#define TARN_LUX_RETURN_CODE_NOT_SUPPORTED 9
#define TARN_LUX_RETURN_CODE_NOT_PERMITTED 10
#define TARN_LUX_RETURN_CODE_BUSY 11
#define TARN_LUX_RETURN_CODE_TIMEOUT 12

/* ------------------------------------------------------------------------ */
/* Handles: one opaque type per kind of object                              */
/* ------------------------------------------------------------------------ */

typedef struct TARN_LUX_ImageObject *TARN_LUX_ImageHandle;
typedef struct TARN_LUX_ImageConverterObject *TARN_LUX_ImageConverterHandle;
typedef struct TARN_LUX_ImageTransformerObject *TARN_LUX_ImageTransformerHandle;
typedef struct TARN_LUX_ColorCorrectorObject *TARN_LUX_ColorCorrectorHandle;
typedef struct TARN_LUX_GammaCorrectorObject *TARN_LUX_GammaCorrectorHandle;
typedef struct TARN_LUX_GainObject *TARN_LUX_GainHandle;
typedef struct TARN_LUX_BinningObject *TARN_LUX_BinningHandle;
typedef struct TARN_LUX_DecimationObject *TARN_LUX_DecimationHandle;
typedef struct TARN_LUX_HotpixelCorrectionObject *TARN_LUX_HotpixelCorrectionHandle;
typedef struct TARN_LUX_EdgeEnhancementObject *TARN_LUX_EdgeEnhancementHandle;
typedef struct TARN_LUX_SharpnessObject *TARN_LUX_SharpnessHandle;
typedef struct TARN_LUX_PixelLineObject *TARN_LUX_PixelLineHandle;
typedef struct TARN_LUX_HistogramObject *TARN_LUX_HistogramHandle;
/* The encoder and container option operations act on an opened video and
 * take its writer's handle. */
typedef struct TARN_LUX_VideoWriterObject *TARN_LUX_VideoWriterHandle;

/* ------------------------------------------------------------------------ */
/* Value types                                                              */
/* ------------------------------------------------------------------------ */

typedef uint8_t TARN_LUX_BOOL;
#define TARN_LUX_FALSE 0
#define TARN_LUX_TRUE 1

typedef struct {
  size_t width;
  size_t height;
} TARN_LUX_Size2D;

typedef struct {
  size_t x;
  size_t y;
} TARN_LUX_Point2D;

/* One region of a sharpness measurement; 40 bytes, the last 4 unused. */
typedef struct {
  size_t x;
  size_t y;
  size_t width;
  size_t height;
  uint8_t xSamplingInterval;
  uint8_t ySamplingInterval;
  uint16_t weight; /* a TARN_LUX_SharpnessROIWeight */
  uint32_t reserved;
} TARN_LUX_SharpnessROI;
TARN_LUX_STATIC_ASSERT(sizeof(TARN_LUX_SharpnessROI) == 40, "the ROI record crosses the interface as 40 bytes");

/* Minimum, maximum and increment of an unsigned setting. */
typedef struct {
  uint32_t minimum;
  uint32_t maximum;
  uint32_t increment;
} TARN_LUX_RangeUInt32;
TARN_LUX_STATIC_ASSERT(sizeof(TARN_LUX_RangeUInt32) == 12, "the range record is three 32-bit values");

/* ------------------------------------------------------------------------ */
/* Enumerations                                                             */
/* ------------------------------------------------------------------------ */

typedef int32_t TARN_LUX_PixelFormatName;
#define TARN_LUX_PixelFormatName_Invalid 0x00000000
#define TARN_LUX_PixelFormatName_BayerGR8 0x01080008
#define TARN_LUX_PixelFormatName_BayerGR10 0x0110000C
#define TARN_LUX_PixelFormatName_BayerGR12 0x01100010
#define TARN_LUX_PixelFormatName_BayerRG8 0x01080009
#define TARN_LUX_PixelFormatName_BayerRG10 0x0110000D
#define TARN_LUX_PixelFormatName_BayerRG12 0x01100011
#define TARN_LUX_PixelFormatName_BayerGB8 0x0108000A
#define TARN_LUX_PixelFormatName_BayerGB10 0x0110000E
#define TARN_LUX_PixelFormatName_BayerGB12 0x01100012
#define TARN_LUX_PixelFormatName_BayerBG8 0x0108000B
#define TARN_LUX_PixelFormatName_BayerBG10 0x0110000F
#define TARN_LUX_PixelFormatName_BayerBG12 0x01100013
#define TARN_LUX_PixelFormatName_Mono8 0x01080001
#define TARN_LUX_PixelFormatName_Mono10 0x01100003
#define TARN_LUX_PixelFormatName_Mono12 0x01100005
#define TARN_LUX_PixelFormatName_YUV420_8_YY_UV_SemiplanarORX 0x420C0001
#define TARN_LUX_PixelFormatName_YUV420_8_YY_VU_SemiplanarORX 0x420C0002
#define TARN_LUX_PixelFormatName_RGB8 0x02180014
#define TARN_LUX_PixelFormatName_RGB10 0x02300018
#define TARN_LUX_PixelFormatName_RGB12 0x0230001A
#define TARN_LUX_PixelFormatName_BGR8 0x02180015
#define TARN_LUX_PixelFormatName_BGR10 0x02300019
#define TARN_LUX_PixelFormatName_BGR12 0x0230001B
#define TARN_LUX_PixelFormatName_RGBa8 0x02200016
#define TARN_LUX_PixelFormatName_RGBa10 0x0240005F
#define TARN_LUX_PixelFormatName_RGBa12 0x02400061
#define TARN_LUX_PixelFormatName_BGRa8 0x02200017
#define TARN_LUX_PixelFormatName_BGRa10 0x0240004C
#define TARN_LUX_PixelFormatName_BGRa12 0x0240004E
#define TARN_LUX_PixelFormatName_BayerBG10p 0x010A0052
#define TARN_LUX_PixelFormatName_BayerBG12p 0x010C0053
#define TARN_LUX_PixelFormatName_BayerGB10p 0x010A0054
#define TARN_LUX_PixelFormatName_BayerGB12p 0x010C0055
#define TARN_LUX_PixelFormatName_BayerGR10p 0x010A0056
#define TARN_LUX_PixelFormatName_BayerGR12p 0x010C0057
#define TARN_LUX_PixelFormatName_BayerRG10p 0x010A0058
#define TARN_LUX_PixelFormatName_BayerRG12p 0x010C0059
#define TARN_LUX_PixelFormatName_Mono10p 0x010A0046
#define TARN_LUX_PixelFormatName_Mono12p 0x010C0047
#define TARN_LUX_PixelFormatName_RGB10p32 0x0220001D
#define TARN_LUX_PixelFormatName_BGR10p32 0x0220001E
#define TARN_LUX_PixelFormatName_BayerRG10g40ORX 0x40000001
#define TARN_LUX_PixelFormatName_BayerGB10g40ORX 0x40000002
#define TARN_LUX_PixelFormatName_BayerGR10g40ORX 0x40000003
#define TARN_LUX_PixelFormatName_BayerBG10g40ORX 0x40000004
#define TARN_LUX_PixelFormatName_BayerRG12g24ORX 0x40000011
#define TARN_LUX_PixelFormatName_BayerGB12g24ORX 0x40000012
#define TARN_LUX_PixelFormatName_BayerGR12g24ORX 0x40000013
#define TARN_LUX_PixelFormatName_BayerBG12g24ORX 0x40000014
#define TARN_LUX_PixelFormatName_Mono10g40ORX 0x4000000F
#define TARN_LUX_PixelFormatName_Mono12g24ORX 0x4000001F

typedef int32_t TARN_LUX_BayerPattern;
#define TARN_LUX_BayerPattern_Unknown 0
#define TARN_LUX_BayerPattern_None 1
#define TARN_LUX_BayerPattern_GR 2
#define TARN_LUX_BayerPattern_RG 3
#define TARN_LUX_BayerPattern_GB 4
#define TARN_LUX_BayerPattern_BG 5

typedef int32_t TARN_LUX_Endianness;
#define TARN_LUX_Endianness_Unknown 0
#define TARN_LUX_Endianness_LittleEndian 1
#define TARN_LUX_Endianness_BigEndian 2

typedef int32_t TARN_LUX_Orientation;
#define TARN_LUX_Orientation_Horizontal 0 /* a row; the offset is its y */
#define TARN_LUX_Orientation_Vertical 1   /* a column; the offset is its x */

typedef int32_t TARN_LUX_ConversionMode;
#define TARN_LUX_ConversionMode_Fast 1
#define TARN_LUX_ConversionMode_HighQuality 2
#define TARN_LUX_ConversionMode_Classic 3

typedef int32_t TARN_LUX_InterpolationAlgorithm;
#define TARN_LUX_InterpolationAlgorithm_nearest 0
#define TARN_LUX_InterpolationAlgorithm_linear 1
#define TARN_LUX_InterpolationAlgorithm_cubic 2
#define TARN_LUX_InterpolationAlgorithm_area 3
#define TARN_LUX_InterpolationAlgorithm_lanczos4 4
#define TARN_LUX_InterpolationAlgorithm_linear_exact 5
#define TARN_LUX_InterpolationAlgorithm_nearest_exact 6

/* The counterclockwise angle in degrees. */
typedef uint16_t TARN_LUX_RotationAngle;
#define TARN_LUX_RotationAngle_Degree90Counterclockwise 90
#define TARN_LUX_RotationAngle_Degree180 180
#define TARN_LUX_RotationAngle_Degree90Clockwise 270

typedef uint16_t TARN_LUX_BinningMode;
#define TARN_LUX_BinningMode_Average 0
#define TARN_LUX_BinningMode_Sum 1

typedef int32_t TARN_LUX_HotpixelSensitivityLevel;
#define TARN_LUX_HotpixelSensitivityLevel_Invalid 0
#define TARN_LUX_HotpixelSensitivityLevel_Level1 1
#define TARN_LUX_HotpixelSensitivityLevel_Level2 2
#define TARN_LUX_HotpixelSensitivityLevel_Level3 3
#define TARN_LUX_HotpixelSensitivityLevel_Level4 4
#define TARN_LUX_HotpixelSensitivityLevel_Level5 5

typedef uint16_t TARN_LUX_SharpnessAlgorithm;
#define TARN_LUX_SharpnessAlgorithm_Tenengrad 0
#define TARN_LUX_SharpnessAlgorithm_MeanScore 1
#define TARN_LUX_SharpnessAlgorithm_HistogramVariance 2
#define TARN_LUX_SharpnessAlgorithm_Sobel 3

typedef uint16_t TARN_LUX_SharpnessROIWeight;
#define TARN_LUX_SharpnessROIWeight_Weak 33
#define TARN_LUX_SharpnessROIWeight_Medium 66
#define TARN_LUX_SharpnessROIWeight_Strong 99

typedef uint16_t TARN_LUX_VIDEO_CONTAINER;
#define TARN_LUX_VIDEO_CONTAINER_AVI 0

typedef uint16_t TARN_LUX_VIDEO_ENCODER;
#define TARN_LUX_VIDEO_ENCODER_RAW 0
#define TARN_LUX_VIDEO_ENCODER_MJPEG 1

typedef uint16_t TARN_LUX_VIDEO_ENCODER_OPTION;
#define TARN_LUX_VIDEO_ENCODER_OPTION_QUALITY 0 /* uint32_t */

typedef uint16_t TARN_LUX_VIDEO_CONTAINER_OPTION;
#define TARN_LUX_VIDEO_CONTAINER_OPTION_FRAMERATE 0 /* double, frames per second */

/* ------------------------------------------------------------------------ */
/* Last error                                                               */
/* ------------------------------------------------------------------------ */

/* Code and description of the most recent failed call on this thread (code 0
 * and an empty text before any failure). Read with the two-call size query;
 * *size counts the terminating NUL. A failure of this function itself does
 * not replace the error it reports. */
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_GetLastError(int32_t *code, char *text, size_t *size);

/* ------------------------------------------------------------------------ */
/* Pixel formats                                                            */
/* ------------------------------------------------------------------------ */

/* TARN_LUX_PixelFormatName_Invalid answers zero bits, zero channels, Unknown
 * endianness and Bayer pattern, and a storage size of 0; a value that names
 * no format answers TARN_LUX_RETURN_CODE_INVALID_ARGUMENT. */
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_NumSignificantBitsPerChannel(TARN_LUX_PixelFormatName name, size_t *bits);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_NumStorageBitsPerChannel(TARN_LUX_PixelFormatName name, size_t *bits);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_NumChannels(TARN_LUX_PixelFormatName name, size_t *channels);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_MaximumValuePerChannel(TARN_LUX_PixelFormatName name, uint32_t *maximum);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_NumSignificantBitsPerPixel(TARN_LUX_PixelFormatName name, size_t *bits);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_NumStorageBitsPerPixel(TARN_LUX_PixelFormatName name, size_t *bits);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_Endianness(TARN_LUX_PixelFormatName name, TARN_LUX_Endianness *endianness);
/* Bytes that pixelCount pixels occupy; a count whose size does not fit size_t
 * answers TARN_LUX_RETURN_CODE_OUT_OF_RANGE. */
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_CalculateStorageSizeOfPixels(TARN_LUX_PixelFormatName name, uint64_t pixelCount, size_t *byteCount);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_IsPacked(TARN_LUX_PixelFormatName name, TARN_LUX_BOOL *isPacked);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_IsBayered(TARN_LUX_PixelFormatName name, TARN_LUX_BOOL *isBayered);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_IsYUV(TARN_LUX_PixelFormatName name, TARN_LUX_BOOL *isYUV);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_BayerPattern(TARN_LUX_PixelFormatName name, TARN_LUX_BayerPattern *pattern);

/* ------------------------------------------------------------------------ */
/* Image                                                                    */
/* ------------------------------------------------------------------------ */

/* A zero-filled image with timestamp 0. Invalid with 0 x 0 gives the empty
 * image; any other format needs a width and height of at least 1. */
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Image_Construct(TARN_LUX_PixelFormatName name, size_t width, size_t height, TARN_LUX_ImageHandle *image);
/* Copies the image's byte count from buffer; the caller's memory is not kept.
 * A smaller bufferSize answers TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL. */
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Image_ConstructFromBuffer(TARN_LUX_PixelFormatName name, const void *buffer, size_t bufferSize, size_t width, size_t height, TARN_LUX_ImageHandle *image);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Image_Destruct(TARN_LUX_ImageHandle image);
/* A deep copy, timestamp included. */
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Image_Clone(TARN_LUX_ImageHandle image, TARN_LUX_ImageHandle *clone);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Image_Width(TARN_LUX_ImageHandle image, size_t *width);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Image_Height(TARN_LUX_ImageHandle image, size_t *height);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Image_ByteCount(TARN_LUX_ImageHandle image, size_t *byteCount);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Image_PixelFormat(TARN_LUX_ImageHandle image, TARN_LUX_PixelFormatName *name);
/* Nanoseconds of camera time at exposure. */
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Image_Timestamp(TARN_LUX_ImageHandle image, uint64_t *timestamp);
/* The first pixel byte; writable, valid while the image lives. Never null,
 * even for the empty image. */
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Image_Data(TARN_LUX_ImageHandle image, uint8_t **data);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Image_ConvertTo(TARN_LUX_ImageHandle image, TARN_LUX_PixelFormatName outputName, TARN_LUX_ConversionMode mode, TARN_LUX_ImageHandle *converted);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Image_ConvertToBuffer(TARN_LUX_ImageHandle image, TARN_LUX_PixelFormatName outputName, void *buffer, size_t bufferSize, TARN_LUX_ConversionMode mode, TARN_LUX_ImageHandle *converted);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Image_Scale(TARN_LUX_ImageHandle image, const TARN_LUX_Size2D *size, TARN_LUX_InterpolationAlgorithm algorithm, TARN_LUX_ImageHandle *scaled);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Image_ScaleInto(TARN_LUX_ImageHandle image, const TARN_LUX_Size2D *size, void *buffer, size_t bufferSize, TARN_LUX_InterpolationAlgorithm algorithm);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Image_Crop(TARN_LUX_ImageHandle image, const TARN_LUX_Point2D *position, const TARN_LUX_Size2D *size, TARN_LUX_ImageHandle *cropped);

/* ------------------------------------------------------------------------ */
/* Pixel lines and histograms                                               */
/* ------------------------------------------------------------------------ */

TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelLine_Construct(TARN_LUX_ImageHandle image, TARN_LUX_Orientation orientation, size_t offset, TARN_LUX_PixelLineHandle *line);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelLine_AcquireReference(TARN_LUX_PixelLineHandle line);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelLine_Destruct(TARN_LUX_PixelLineHandle line);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelLine_PixelFormatName(TARN_LUX_PixelLineHandle line, TARN_LUX_PixelFormatName *name);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelLine_Orientation(TARN_LUX_PixelLineHandle line, TARN_LUX_Orientation *orientation);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelLine_Offset(TARN_LUX_PixelLineHandle line, size_t *offset);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelLine_NumChannels(TARN_LUX_PixelLineHandle line, size_t *channels);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_PixelLine_Values(TARN_LUX_PixelLineHandle line, size_t channel, uint32_t *values, size_t *count);

TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Histogram_Construct(TARN_LUX_ImageHandle image, TARN_LUX_HistogramHandle *histogram);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Histogram_AcquireReference(TARN_LUX_HistogramHandle histogram);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Histogram_Destruct(TARN_LUX_HistogramHandle histogram);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Histogram_PixelFormat(TARN_LUX_HistogramHandle histogram, TARN_LUX_PixelFormatName *name);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Histogram_NumChannels(TARN_LUX_HistogramHandle histogram, size_t *channels);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Histogram_PixelSum(TARN_LUX_HistogramHandle histogram, size_t channel, uint64_t *sum);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Histogram_PixelCount(TARN_LUX_HistogramHandle histogram, size_t channel, uint64_t *count);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Histogram_Bins(TARN_LUX_HistogramHandle histogram, size_t channel, uint64_t *bins, size_t *count);

/* ------------------------------------------------------------------------ */
/* Image converter                                                          */
/* ------------------------------------------------------------------------ */

/*
 * Conversions (also behind TARN_LUX_Image_ConvertTo):
 *
 *  - Every format converts into every format that is not Bayer: the
 *    unpacked Mono, RGB, BGR, RGBa and BGRa formats of 8, 10 and 12 bits,
 *    Mono10p/12p, Mono10g40ORX/12g24ORX, RGB10p32/BGR10p32 and both YUV420
 *    orders. A Bayer format converts into the Bayer formats of its own
 *    pattern (other depth or packing, samples unchanged); nothing else
 *    becomes Bayer. Other pairs answer
 *    TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED naming both formats.
 *  - Depth changes shift: 12 -> 8 bits drops the low 4 bits, 8 -> 12 bits
 *    appends 4 zero bits. Packing and unpacking are exact.
 *  - Colour to Mono: BT.601 luma 0.299 R + 0.587 G + 0.114 B in 14-bit
 *    fixed point, rounded to nearest, at the input's depth before any depth
 *    change. Mono to colour copies the sample to R, G and B; new alpha is
 *    opaque.
 *  - YUV420: BT.601 with studio-range samples (Y 16-235, U and V 16-240),
 *    the coefficients and range of OpenCV's NV12/NV21 and I420 conversions:
 *    R = 1.164 (Y - 16) + 1.596 (V - 128), G = 1.164 (Y - 16) - 0.391
 *    (U - 128) - 0.813 (V - 128), B = 1.164 (Y - 16) + 2.018 (U - 128), and
 *    the inverse for RGB -> YUV, in 16-bit fixed point rounded to nearest.
 *    A 2x2 block's chroma pair is taken from its top-left pixel. YUV to
 *    Mono is the luma of the RGB it stands for (full range).
 *  - Bayer to anything else demosaics, by mode: Classic is bilinear
 *    interpolation; Fast is gradient-corrected linear interpolation (5x5
 *    kernels); HighQuality is gradient-weighted directional interpolation of
 *    colour differences (sharpest, slowest). The mosaic is mirrored at its
 *    borders, so border pixels are as bright as their neighbours. Results
 *    do not depend on the number of threads.
 *
 * The converter holds a mode (initially TARN_LUX_ConversionMode_Fast; other
 * values than the three modes answer TARN_LUX_RETURN_CODE_INVALID_ARGUMENT)
 * and at most one pool of output buffers. PreAllocateConversion(input,
 * output, width, height, imageCount) makes imageCount (1 to 64) buffers for
 * that one kind of conversion; a Convert of that kind takes a free buffer,
 * which returns to the pool when the resulting image is destroyed, so a
 * loop that converts and releases frames allocates no pixel memory. When
 * every buffer is in use, Convert allocates as usual. A new pre-allocation
 * replaces the pool. ConvertToBuffer never uses the pool. Several threads
 * may convert with one converter at once.
 */

TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageConverter_Construct(TARN_LUX_ImageConverterHandle *converter);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageConverter_AcquireReference(TARN_LUX_ImageConverterHandle converter);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageConverter_Destruct(TARN_LUX_ImageConverterHandle converter);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageConverter_ConversionMode(TARN_LUX_ImageConverterHandle converter, TARN_LUX_ConversionMode *mode);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageConverter_SetConversionMode(TARN_LUX_ImageConverterHandle converter, TARN_LUX_ConversionMode mode);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageConverter_SupportedOutputPixelFormatNames(TARN_LUX_ImageConverterHandle converter, TARN_LUX_PixelFormatName inputName, TARN_LUX_PixelFormatName *outputNames, size_t *count);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageConverter_PreAllocateConversion(TARN_LUX_ImageConverterHandle converter, TARN_LUX_PixelFormatName inputName, TARN_LUX_PixelFormatName outputName, size_t width, size_t height, size_t imageCount);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageConverter_Convert(TARN_LUX_ImageConverterHandle converter, TARN_LUX_ImageHandle input, TARN_LUX_PixelFormatName outputName, TARN_LUX_ImageHandle *output);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageConverter_ConvertToBuffer(TARN_LUX_ImageConverterHandle converter, TARN_LUX_ImageHandle input, TARN_LUX_PixelFormatName outputName, void *buffer, size_t bufferSize, TARN_LUX_ImageHandle *output);

/* ------------------------------------------------------------------------ */
/* Image transformer                                                        */
/* ------------------------------------------------------------------------ */

TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_Construct(TARN_LUX_ImageTransformerHandle *transformer);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_AcquireReference(TARN_LUX_ImageTransformerHandle transformer);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_Destruct(TARN_LUX_ImageTransformerHandle transformer);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_MirrorUpDown(TARN_LUX_ImageTransformerHandle transformer, TARN_LUX_ImageHandle input, TARN_LUX_ImageHandle *output);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_MirrorLeftRight(TARN_LUX_ImageTransformerHandle transformer, TARN_LUX_ImageHandle input, TARN_LUX_ImageHandle *output);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_MirrorUpDownLeftRight(TARN_LUX_ImageTransformerHandle transformer, TARN_LUX_ImageHandle input, TARN_LUX_ImageHandle *output);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_MirrorUpDownInPlace(TARN_LUX_ImageTransformerHandle transformer, TARN_LUX_ImageHandle image);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_MirrorLeftRightInPlace(TARN_LUX_ImageTransformerHandle transformer, TARN_LUX_ImageHandle image);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_MirrorUpDownLeftRightInPlace(TARN_LUX_ImageTransformerHandle transformer, TARN_LUX_ImageHandle image);
/* The angle comes last, after the out handle. */
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_Rotate(TARN_LUX_ImageTransformerHandle transformer, TARN_LUX_ImageHandle input, TARN_LUX_ImageHandle *output, TARN_LUX_RotationAngle angle);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageTransformer_RotateInPlace(TARN_LUX_ImageTransformerHandle transformer, TARN_LUX_ImageHandle image, TARN_LUX_RotationAngle angle);

/* ------------------------------------------------------------------------ */
/* Color correction, gamma and gain                                         */
/* ------------------------------------------------------------------------ */

TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ColorCorrector_Construct(TARN_LUX_ColorCorrectorHandle *corrector);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ColorCorrector_AcquireReference(TARN_LUX_ColorCorrectorHandle corrector);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ColorCorrector_Destruct(TARN_LUX_ColorCorrectorHandle corrector);
/* Nine factors, the matrix row by row: RR GR BR / RG GG BG / RB GB BB. */
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ColorCorrector_SetColorCorrectionFactors(TARN_LUX_ColorCorrectorHandle corrector, const float *factors);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ColorCorrector_ColorCorrectionFactors(TARN_LUX_ColorCorrectorHandle corrector, float *factors, size_t *count);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ColorCorrector_SetSaturation(TARN_LUX_ColorCorrectorHandle corrector, float saturation);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ColorCorrector_Saturation(TARN_LUX_ColorCorrectorHandle corrector, float *saturation);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ColorCorrector_SaturationMin(TARN_LUX_ColorCorrectorHandle corrector, float *minimum);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ColorCorrector_SaturationMax(TARN_LUX_ColorCorrectorHandle corrector, float *maximum);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ColorCorrector_IsPixelFormatSupported(TARN_LUX_ColorCorrectorHandle corrector, TARN_LUX_PixelFormatName name, TARN_LUX_BOOL *isSupported);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ColorCorrector_Process(TARN_LUX_ColorCorrectorHandle corrector, TARN_LUX_ImageHandle input, TARN_LUX_ImageHandle *output);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ColorCorrector_ProcessInPlace(TARN_LUX_ColorCorrectorHandle corrector, TARN_LUX_ImageHandle image);

TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_GammaCorrector_Construct(TARN_LUX_GammaCorrectorHandle *corrector);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_GammaCorrector_AcquireReference(TARN_LUX_GammaCorrectorHandle corrector);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_GammaCorrector_Destruct(TARN_LUX_GammaCorrectorHandle corrector);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_GammaCorrector_SetGammaCorrectionValue(TARN_LUX_GammaCorrectorHandle corrector, const float *value);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_GammaCorrector_GammaCorrectionValue(TARN_LUX_GammaCorrectorHandle corrector, float *value);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_GammaCorrector_GammaCorrectionMin(TARN_LUX_GammaCorrectorHandle corrector, float *minimum);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_GammaCorrector_GammaCorrectionMax(TARN_LUX_GammaCorrectorHandle corrector, float *maximum);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_GammaCorrector_IsPixelFormatSupported(TARN_LUX_GammaCorrectorHandle corrector, TARN_LUX_PixelFormatName name, TARN_LUX_BOOL *isSupported);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_GammaCorrector_Process(TARN_LUX_GammaCorrectorHandle corrector, TARN_LUX_ImageHandle input, TARN_LUX_ImageHandle *output);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_GammaCorrector_ProcessInPlace(TARN_LUX_GammaCorrectorHandle corrector, TARN_LUX_ImageHandle image);

TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_Construct(TARN_LUX_GainHandle *gain);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_AcquireReference(TARN_LUX_GainHandle gain);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_Destruct(TARN_LUX_GainHandle gain);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_SetMasterGainValue(TARN_LUX_GainHandle gain, const float *value);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_SetRedGainValue(TARN_LUX_GainHandle gain, const float *value);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_SetGreenGainValue(TARN_LUX_GainHandle gain, const float *value);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_SetBlueGainValue(TARN_LUX_GainHandle gain, const float *value);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_MasterGainValue(TARN_LUX_GainHandle gain, float *value);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_RedGainValue(TARN_LUX_GainHandle gain, float *value);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_GreenGainValue(TARN_LUX_GainHandle gain, float *value);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_BlueGainValue(TARN_LUX_GainHandle gain, float *value);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_MasterGainMin(TARN_LUX_GainHandle gain, float *minimum);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_RedGainMin(TARN_LUX_GainHandle gain, float *minimum);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_GreenGainMin(TARN_LUX_GainHandle gain, float *minimum);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_BlueGainMin(TARN_LUX_GainHandle gain, float *minimum);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_MasterGainMax(TARN_LUX_GainHandle gain, float *maximum);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_RedGainMax(TARN_LUX_GainHandle gain, float *maximum);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_GreenGainMax(TARN_LUX_GainHandle gain, float *maximum);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_BlueGainMax(TARN_LUX_GainHandle gain, float *maximum);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_IsPixelFormatSupported(TARN_LUX_GainHandle gain, TARN_LUX_PixelFormatName name, TARN_LUX_BOOL *isSupported);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_Process(TARN_LUX_GainHandle gain, TARN_LUX_ImageHandle input, TARN_LUX_ImageHandle *output);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Gain_ProcessInPlace(TARN_LUX_GainHandle gain, TARN_LUX_ImageHandle image);

/* ------------------------------------------------------------------------ */
/* Binning, decimation, hot pixels, edge enhancement                        */
/* ------------------------------------------------------------------------ */

TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Binning_Construct(TARN_LUX_BinningHandle *binning);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Binning_AcquireReference(TARN_LUX_BinningHandle binning);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Binning_Destruct(TARN_LUX_BinningHandle binning);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Binning_SetBinningX(TARN_LUX_BinningHandle binning, const uint8_t *factor);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Binning_SetBinningY(TARN_LUX_BinningHandle binning, const uint8_t *factor);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Binning_BinningX(TARN_LUX_BinningHandle binning, uint8_t *factor);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Binning_BinningY(TARN_LUX_BinningHandle binning, uint8_t *factor);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Binning_BinningMin(TARN_LUX_BinningHandle binning, uint8_t *minimum);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Binning_BinningMax(TARN_LUX_BinningHandle binning, uint8_t *maximum);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Binning_SetMode(TARN_LUX_BinningHandle binning, const TARN_LUX_BinningMode *mode);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Binning_Mode(TARN_LUX_BinningHandle binning, TARN_LUX_BinningMode *mode);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Binning_ExpectedOutputSize(TARN_LUX_BinningHandle binning, size_t *outputWidth, size_t *outputHeight, size_t inputWidth, size_t inputHeight, TARN_LUX_PixelFormatName name);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Binning_IsPixelFormatSupported(TARN_LUX_BinningHandle binning, TARN_LUX_PixelFormatName name, TARN_LUX_BOOL *isSupported);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Binning_Process(TARN_LUX_BinningHandle binning, TARN_LUX_ImageHandle input, TARN_LUX_ImageHandle *output);

TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Decimation_Construct(TARN_LUX_DecimationHandle *decimation);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Decimation_AcquireReference(TARN_LUX_DecimationHandle decimation);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Decimation_Destruct(TARN_LUX_DecimationHandle decimation);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Decimation_SetDecimationX(TARN_LUX_DecimationHandle decimation, const uint8_t *factor);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Decimation_SetDecimationY(TARN_LUX_DecimationHandle decimation, const uint8_t *factor);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Decimation_DecimationX(TARN_LUX_DecimationHandle decimation, uint8_t *factor);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Decimation_DecimationY(TARN_LUX_DecimationHandle decimation, uint8_t *factor);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Decimation_DecimationMin(TARN_LUX_DecimationHandle decimation, uint8_t *minimum);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Decimation_DecimationMax(TARN_LUX_DecimationHandle decimation, uint8_t *maximum);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Decimation_ExpectedOutputSize(TARN_LUX_DecimationHandle decimation, size_t *outputWidth, size_t *outputHeight, size_t inputWidth, size_t inputHeight, TARN_LUX_PixelFormatName name);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Decimation_IsPixelFormatSupported(TARN_LUX_DecimationHandle decimation, TARN_LUX_PixelFormatName name, TARN_LUX_BOOL *isSupported);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Decimation_Process(TARN_LUX_DecimationHandle decimation, TARN_LUX_ImageHandle input, TARN_LUX_ImageHandle *output);

TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_Construct(TARN_LUX_HotpixelCorrectionHandle *correction);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_AcquireReference(TARN_LUX_HotpixelCorrectionHandle correction);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_Destruct(TARN_LUX_HotpixelCorrectionHandle correction);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_SetSensitivity(TARN_LUX_HotpixelCorrectionHandle correction, TARN_LUX_HotpixelSensitivityLevel level);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_Sensitivity(TARN_LUX_HotpixelCorrectionHandle correction, TARN_LUX_HotpixelSensitivityLevel *level);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_SetGainFactorPercent(TARN_LUX_HotpixelCorrectionHandle correction, uint32_t percent);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_GainFactorPercent(TARN_LUX_HotpixelCorrectionHandle correction, uint32_t *percent);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_Detect(TARN_LUX_HotpixelCorrectionHandle correction, TARN_LUX_ImageHandle image);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_Hotpixels(TARN_LUX_HotpixelCorrectionHandle correction, TARN_LUX_Point2D *positions, size_t *count);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_Correct(TARN_LUX_HotpixelCorrectionHandle correction, TARN_LUX_ImageHandle input, const TARN_LUX_Point2D *positions, size_t count, TARN_LUX_ImageHandle *output);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_CorrectInPlace(TARN_LUX_HotpixelCorrectionHandle correction, TARN_LUX_ImageHandle image, const TARN_LUX_Point2D *positions, size_t count);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_CorrectAdaptive(TARN_LUX_HotpixelCorrectionHandle correction, TARN_LUX_ImageHandle input, TARN_LUX_ImageHandle *output);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_CorrectAdaptiveInPlace(TARN_LUX_HotpixelCorrectionHandle correction, TARN_LUX_ImageHandle image);

TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_EdgeEnhancement_Construct(TARN_LUX_EdgeEnhancementHandle *enhancement);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_EdgeEnhancement_AcquireReference(TARN_LUX_EdgeEnhancementHandle enhancement);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_EdgeEnhancement_Destruct(TARN_LUX_EdgeEnhancementHandle enhancement);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_EdgeEnhancement_SetFactor(TARN_LUX_EdgeEnhancementHandle enhancement, uint32_t factor);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_EdgeEnhancement_Factor(TARN_LUX_EdgeEnhancementHandle enhancement, uint32_t *factor);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_EdgeEnhancement_DefaultFactor(TARN_LUX_EdgeEnhancementHandle enhancement, uint32_t *factor);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_EdgeEnhancement_Range(TARN_LUX_EdgeEnhancementHandle enhancement, TARN_LUX_RangeUInt32 *range);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_EdgeEnhancement_IsPixelFormatSupported(TARN_LUX_EdgeEnhancementHandle enhancement, TARN_LUX_PixelFormatName name, TARN_LUX_BOOL *isSupported);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_EdgeEnhancement_Process(TARN_LUX_EdgeEnhancementHandle enhancement, TARN_LUX_ImageHandle input, TARN_LUX_ImageHandle *output);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_EdgeEnhancement_ProcessInPlace(TARN_LUX_EdgeEnhancementHandle enhancement, TARN_LUX_ImageHandle image);

/* ------------------------------------------------------------------------ */
/* Sharpness                                                                */
/* ------------------------------------------------------------------------ */

TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Sharpness_Construct(TARN_LUX_SharpnessHandle *sharpness);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Sharpness_AcquireReference(TARN_LUX_SharpnessHandle sharpness);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Sharpness_Destruct(TARN_LUX_SharpnessHandle sharpness);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Sharpness_Measure(TARN_LUX_SharpnessHandle sharpness, TARN_LUX_ImageHandle image, double *value);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Sharpness_IsPixelFormatSupported(TARN_LUX_SharpnessHandle sharpness, TARN_LUX_PixelFormatName name, TARN_LUX_BOOL *isSupported);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Sharpness_SupportedPixelFormats(TARN_LUX_SharpnessHandle sharpness, TARN_LUX_PixelFormatName *names, size_t *count);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Sharpness_SetAlgorithm(TARN_LUX_SharpnessHandle sharpness, TARN_LUX_SharpnessAlgorithm algorithm);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Sharpness_Algorithm(TARN_LUX_SharpnessHandle sharpness, TARN_LUX_SharpnessAlgorithm *algorithm);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Sharpness_ROIMinSize(TARN_LUX_SharpnessHandle sharpness, TARN_LUX_Size2D *size);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Sharpness_SetROIs(TARN_LUX_SharpnessHandle sharpness, const TARN_LUX_SharpnessROI *rois, size_t count);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_Sharpness_GetROIs(TARN_LUX_SharpnessHandle sharpness, TARN_LUX_SharpnessROI *rois, size_t *count);

/* ------------------------------------------------------------------------ */
/* Image files                                                              */
/* ------------------------------------------------------------------------ */

/*
 * Paths are UTF-8 bytes with their byte count, no terminator needed (a NUL
 * inside the path is refused). A missing file or folder, a missing
 * permission or any other failure of the operating system answers
 * TARN_LUX_RETURN_CODE_IO_ERROR with the system's reason in the description.
 *
 * File endings (case does not matter):
 *   .bmp .dib                  BMP
 *   .png                       PNG
 *   .jpg .jpeg .jpe .jfif      JPEG
 *   .raw                       the pixel bytes alone, no header
 * Any other ending answers TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED.
 *
 * Reading. Each file becomes its natural pixel format:
 *   BMP  8-bit, gray palette                 Mono8 (through the palette)
 *        8-bit, color palette                BGR8
 *        24-bit                              BGR8
 *        32-bit                              BGRa8; opaque (alpha 255) when the
 *                                            header has no alpha mask, or, in
 *                                            files without masks, when every
 *                                            fourth byte is 0
 *        bottom-up and top-down rows; 1-, 4- and 16-bit pixels, run-length
 *        compression and other channel masks answer code 7.
 *   PNG  gray 1/2/4/8-bit                    Mono8 (low depths scaled to 0..255)
 *        gray 16-bit                         Mono10 when its sBIT chunk says at
 *                                            most 10 significant bits, Mono12
 *                                            when it says 11 or 12: the samples
 *                                            shifted down by 16 - bits, undoing
 *                                            the scaling PNG asks writers for.
 *                                            Without sBIT (or with more bits):
 *                                            Mono12, unchanged when every sample
 *                                            is below 4096 (camera data saved
 *                                            by other tools), else shifted down
 *                                            by 4.
 *        RGB 8-bit / 16-bit                  RGB8 / RGB10, RGB12 as for gray
 *        RGBA, gray+alpha 8-bit / 16-bit     RGBa8 / RGBa10, RGBa12 (gray
 *                                            repeated in R, G and B)
 *        palette 1/2/4/8-bit                 RGB8, or RGBa8 with a tRNS chunk
 *        gray or RGB with a tRNS color key   RGBa8 (RGBa10/12 for 16-bit)
 *        interlaced (Adam7) files too. Every chunk's checksum is checked.
 *   JPEG gray                                Mono8
 *        YCbCr or RGB, baseline/progressive  RGB8
 *        CMYK answers code 7.
 *   RAW  only with TARN_LUX_ImageReader_ReadWithPixelFormat (plain Read
 *        answers code 7). Its size comes from the file name: the last group
 *        "<width>x<height>" in it ("frame_640x480.raw"), and the file must
 *        hold exactly that image's bytes. Without such a group the file is
 *        one row of as many pixels as it holds (its size must be a whole
 *        number of pixels). Any non-packed format can be read so.
 * A damaged or cut-off file, or one whose header claims more pixels than its
 * bytes can hold, answers TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR
 * before any memory is taken for the claimed size; no partial image is ever
 * returned. Decoding errors name the file.
 *
 * TARN_LUX_ImageReader_ReadWithPixelFormat reads as above and then only
 * renames what the samples are, never converting values: a gray file of 8
 * bits reads as Mono8 or any Bayer...8 format, one of 10 or 12 bits (after
 * the rules above) as Mono10/12 or Bayer...10/12 of the same depth; a color
 * file as RGB, BGR, RGBa or BGRa of its depth (channels reordered; an alpha
 * channel the file lacks is opaque; a file with alpha cannot drop it). Other
 * combinations answer TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR,
 * packed formats TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED (checked
 * before the file is touched), unknown values and Invalid
 * TARN_LUX_RETURN_CODE_INVALID_ARGUMENT.
 *
 * Writing. The file appears only when it is complete: the bytes go to a
 * hidden temporary file in the same folder, which is renamed over the target
 * at the end and removed on any failure. An empty image answers
 * TARN_LUX_RETURN_CODE_INVALID_ARGUMENT; formats a file type cannot hold
 * TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED.
 *   Write       by ending; PNG with quality 100, JPEG with quality 75.
 *   WriteAsBMP  Mono8, Mono10, Mono12 and the 8/10/12-bit Bayer formats as
 *               8-bit gray with a gray palette (10 and 12 bits reduced to 8
 *               with rounding: v * 255 / max, to nearest); RGB8, BGR8 as
 *               24-bit; RGBa8, BGRa8 as 32-bit with a version-4 header and
 *               an alpha mask. Rows bottom-up.
 *   WriteAsPNG  Mono and Bayer formats as gray, RGB/BGR as RGB, RGBa/BGRa as
 *               RGBA; 8-bit formats with 8-bit samples, 10/12-bit formats
 *               with 16-bit samples scaled as PNG asks (the top bits
 *               repeated below: 1023 -> 65535) and an sBIT chunk naming the
 *               10 or 12 significant bits, so that the reader above gives
 *               the values back exactly. Quality 0..100 (above: code 6)
 *               chooses the effort, never the pixels: 80..100 Average filter
 *               and run-length deflate (fastest, the default 100); 40..79
 *               also tries zlib level 6 per band of rows; 0..39 also level
 *               9 and a filter chosen per row. The smallest candidate of
 *               each band is kept, so lower quality never makes a file
 *               larger, only slower to write.
 *   WriteAsJPG  Quality 0..100 is the JPEG quality (0 counts as 1; above
 *               100: code 6). Mono and Bayer formats as grayscale JPEG;
 *               color formats as YCbCr with 4:2:0 chroma below quality 90,
 *               full-resolution (4:4:4) chroma from 90 on (alpha dropped);
 *               10/12-bit formats reduced to 8 bits with rounding first.
 *               Packed and YUV formats answer code 7.
 *   WriteAsRAW  exactly the image's pixel bytes (TARN_LUX_Image_ByteCount of
 *               them) for every non-packed format.
 */
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageReader_Read(const char *path, size_t pathSize, TARN_LUX_ImageHandle *image);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageReader_ReadWithPixelFormat(const char *path, size_t pathSize, TARN_LUX_PixelFormatName name, TARN_LUX_ImageHandle *image);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageWriter_Write(TARN_LUX_ImageHandle image, const char *path, size_t pathSize);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageWriter_WriteAsBMP(TARN_LUX_ImageHandle image, const char *path, size_t pathSize);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageWriter_WriteAsRAW(TARN_LUX_ImageHandle image, const char *path, size_t pathSize);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageWriter_WriteAsPNG(TARN_LUX_ImageHandle image, uint32_t quality, const char *path, size_t pathSize);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_ImageWriter_WriteAsJPG(TARN_LUX_ImageHandle image, uint32_t quality, const char *path, size_t pathSize);

/* ------------------------------------------------------------------------ */
/* Encoders and containers                                                  */
/* ------------------------------------------------------------------------ */

/* The AVI container takes the MJPEG encoder; the raw encoder is known but not
 * supported (its lists are empty, Open refuses it with NOT_SUPPORTED);
 * unknown identifiers and option numbers answer INVALID_ARGUMENT.
 *
 * Options act on an opened video and take its writer's handle. Values are
 * passed by address with their exact size (INVALID_ARGUMENT otherwise);
 * GetOption needs at least that size (BUFFER_TOO_SMALL) and writes the size
 * to *writtenByteCount unless that is null; values outside the range answer
 * OUT_OF_RANGE. OptionRange writes three doubles (minimum, maximum,
 * increment) for every option.
 *  - TARN_LUX_VIDEO_ENCODER_OPTION_QUALITY, uint32_t: 1 to 100, default 90;
 *    applies to frames compressed from then on. Below 90 colour frames keep
 *    4:2:0 chroma, from 90 on 4:2:2.
 *  - TARN_LUX_VIDEO_CONTAINER_OPTION_FRAMERATE, double: 0.001 to 1000 frames
 *    per second in steps of 0.001, default 25; the value at Close is written
 *    into the file.
 *
 * GetSupportedPixelFormats(MJPEG): Mono8, RGB8, BGR8, RGBa8, BGRa8 (alpha
 * ignored) and the four 8-bit Bayer formats (demosaiced bilinearly while
 * the frame is encoded). */

TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_IEncoder_SetOption(TARN_LUX_VideoWriterHandle writer, TARN_LUX_VIDEO_ENCODER_OPTION option, const void *value, size_t byteCount);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_IEncoder_GetOption(TARN_LUX_VideoWriterHandle writer, TARN_LUX_VIDEO_ENCODER_OPTION option, void *value, size_t byteCount, size_t *writtenByteCount);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_IEncoder_OptionRange(TARN_LUX_VideoWriterHandle writer, TARN_LUX_VIDEO_ENCODER_OPTION option, void *minimum, void *maximum, void *increment);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_IContainer_SetOption(TARN_LUX_VideoWriterHandle writer, TARN_LUX_VIDEO_CONTAINER_OPTION option, const void *value, size_t byteCount);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_IContainer_GetOption(TARN_LUX_VideoWriterHandle writer, TARN_LUX_VIDEO_CONTAINER_OPTION option, void *value, size_t byteCount, size_t *writtenByteCount);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_IContainer_OptionRange(TARN_LUX_VideoWriterHandle writer, TARN_LUX_VIDEO_CONTAINER_OPTION option, void *minimum, void *maximum, void *increment);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_GetSupportedEncodersForAContainer(TARN_LUX_VIDEO_CONTAINER container, TARN_LUX_VIDEO_ENCODER *encoders, size_t *count);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_GetSupportedContainersForAnEncoder(TARN_LUX_VIDEO_ENCODER encoder, TARN_LUX_VIDEO_CONTAINER *containers, size_t *count);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_GetSupportedPixelFormats(TARN_LUX_VIDEO_ENCODER encoder, TARN_LUX_PixelFormatName *names, size_t *count);

/* ------------------------------------------------------------------------ */
/* Video writer                                                             */
/* ------------------------------------------------------------------------ */

/* Open writes a new handle; Close ends the video and releases that handle.
 *
 * Open only records the file name (UTF-8). The first Append fixes the frame
 * size (each side 1 to 65535, no multiple of 8 needed) and creates the file,
 * so a path that cannot be written answers IO_ERROR there. Append copies the
 * image into a queue and returns: a full queue answers BUSY and counts the
 * frame as dropped; another size answers INVALID_ARGUMENT; formats outside
 * the list above answer IMAGE_FORMAT_NOT_SUPPORTED. Frames are compressed by
 * one thread per processor (TARN_LUX_VIDEO_ENCODERS sets another number) and
 * written in the order of Append. Every appended frame ends in the file or in
 * the dropped count.
 *
 * Queue size: 1 to 256 frames, default 8; lowering it below the frames
 * waiting keeps them. NumBuffersQueued counts frames not yet taken up for
 * compression. ResetFrameCounters resets the encoded and dropped counts;
 * FileSize is the size of the file as written so far.
 *
 * WaitUntilFrameDone returns once a frame more has been finished (at once
 * when nothing is pending); WaitUntilQueueEmpty once every appended frame is
 * finished. A time-out of 0 or more milliseconds answers TIMEOUT when it
 * passes; a negative one waits without limit.
 *
 * A failure while compressing or writing (a full disk, for instance) ends the
 * recording: frames still queued count as dropped, the next Append, wait,
 * SetQueueSize or option setter answers the failure's code and description,
 * later ones that the writer failed earlier and must be closed; queries keep
 * answering. Close reports a failure that no call has reported yet, and
 * releases the handle in any case.
 *
 * The file is AVI with OpenDML extensions: RIFF segments of up to 1 GiB
 * (TARN_LUX_VIDEO_SEGMENT_BYTES sets a smaller limit, for tests), each with
 * its own index, the first also with the classic index, so files of any
 * length stay valid. Sizes and frame counts in the file are kept current
 * after every frame, so a recording cut short (a killed process) stays
 * readable up to its last whole frame.
 *
 * IsOpen answers false for a null handle (a writer never opened). */
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_Open(TARN_LUX_VideoWriterHandle *writer, const char *fileName, TARN_LUX_VIDEO_CONTAINER container, TARN_LUX_VIDEO_ENCODER encoder);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_IsOpen(TARN_LUX_VideoWriterHandle writer, TARN_LUX_BOOL *isOpen);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_Close(TARN_LUX_VideoWriterHandle writer);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_Append(TARN_LUX_VideoWriterHandle writer, TARN_LUX_ImageHandle image);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_NumFramesEncoded(TARN_LUX_VideoWriterHandle writer, uint64_t *count);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_NumFramesDropped(TARN_LUX_VideoWriterHandle writer, uint64_t *count);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_FileSize(TARN_LUX_VideoWriterHandle writer, uint64_t *byteCount);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_ResetFrameCounters(TARN_LUX_VideoWriterHandle writer);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_SetQueueSize(TARN_LUX_VideoWriterHandle writer, int32_t queueSize);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_QueueSize(TARN_LUX_VideoWriterHandle writer, int32_t *queueSize);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_QueueSizeRange(TARN_LUX_VideoWriterHandle writer, int32_t *minimum, int32_t *maximum);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_NumBuffersQueued(TARN_LUX_VideoWriterHandle writer, int32_t *count);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_WaitUntilFrameDone(TARN_LUX_VideoWriterHandle writer, int32_t timeoutMs);
TARN_LUX_API TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_WaitUntilQueueEmpty(TARN_LUX_VideoWriterHandle writer, int32_t timeoutMs);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ORX_TARN_LUX_H */
