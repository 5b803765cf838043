// Indices of the module's type descriptors (see type_table.cpp).
#pragma once

#include <cstddef>

namespace tarn::rt {

struct TypeInfo;
struct CastEntry;

enum TypeIndex : size_t {
  T_SharpnessROIList,
  T_allocator_type,
  T_char,
  T_difference_type,
  T_int,
  T_long_long,
  T_p_PyObject,
  T_p_unsigned_char,
  T_p_unsigned_short,
  T_short,
  T_signed_char,
  T_size_t,
  T_size_type,
  T_std__allocatorT_int_t,
  T_std__allocatorT_tarn__lux__HistogramChannel_t,
  T_std__allocatorT_tarn__lux__PixelFormatName_t,
  T_std__allocatorT_tarn__lux__PixelLineChannel_t,
  T_std__allocatorT_tarn__lux__Point2D_t,
  T_std__allocatorT_tarn__lux__SharpnessROI_t,
  T_std__allocatorT_unsigned_int_t,
  T_std__allocatorT_unsigned_long_long_t,
  T_std__allocatorT_unsigned_short_t,
  T_std__invalid_argument,
  T_std__runtime_error,
  T_std__shared_ptrT_tarn__lux__container__AVIContainer_t,
  T_std__shared_ptrT_tarn__lux__container__IContainer_t,
  T_std__shared_ptrT_tarn__lux__encoder__IEncoder_t,
  T_std__shared_ptrT_tarn__lux__encoder__MJPEGEncoder_t,
  T_std__vectorT_int_std__allocatorT_int_t_t,
  T_std__vectorT_tarn__lux__HistogramChannel_std__allocatorT_tarn__lux__HistogramChannel_t_t,
  T_std__vectorT_tarn__lux__PixelFormatName_std__allocatorT_tarn__lux__PixelFormatName_t_t,
  T_std__vectorT_tarn__lux__PixelLineChannel_std__allocatorT_tarn__lux__PixelLineChannel_t_t,
  T_std__vectorT_tarn__lux__Point2D_std__allocatorT_tarn__lux__Point2D_t_t,
  T_std__vectorT_tarn__lux__SharpnessROI_std__allocatorT_tarn__lux__SharpnessROI_t_t,
  T_std__vectorT_unsigned_int_std__allocatorT_unsigned_int_t_t,
  T_std__vectorT_unsigned_long_long_std__allocatorT_unsigned_long_long_t_t,
  T_std__vectorT_unsigned_short_std__allocatorT_unsigned_short_t_t,
  T_swig__SwigPyIterator,
  T_tarn__lux__Binning,
  T_tarn__lux__BufferTooSmallException,
  T_tarn__lux__BusyException,
  T_tarn__lux__ColorCorrectionFactors,
  T_tarn__lux__ColorCorrector,
  T_tarn__lux__Decimation,
  T_tarn__lux__EdgeEnhancement,
  T_tarn__lux__Exception,
  T_tarn__lux__Gain,
  T_tarn__lux__GammaCorrector,
  T_tarn__lux__Histogram,
  T_tarn__lux__HistogramChannel,
  T_tarn__lux__HotpixelCorrection,
  T_tarn__lux__IOException,
  T_tarn__lux__Image,
  T_tarn__lux__ImageConverter,
  T_tarn__lux__ImageFormatInterpretationException,
  T_tarn__lux__ImageFormatNotSupportedException,
  T_tarn__lux__ImageReader,
  T_tarn__lux__ImageTransformer,
  T_tarn__lux__ImageWriter,
  T_tarn__lux__ImageWriterJPEGParameter,
  T_tarn__lux__ImageWriterPNGParameter,
  T_tarn__lux__InvalidArgumentException,
  T_tarn__lux__InvalidHandleException,
  T_tarn__lux__NotPermittedException,
  T_tarn__lux__OutOfRangeException,
  T_tarn__lux__PixelColumn,
  T_tarn__lux__PixelFormat,
  T_tarn__lux__PixelLine,
  T_tarn__lux__PixelLineChannel,
  T_tarn__lux__PixelRow,
  T_tarn__lux__Point2D,
  T_tarn__lux__RangeT_double_t,
  T_tarn__lux__RangeT_int_t,
  T_tarn__lux__RangeT_unsigned_char_t,
  T_tarn__lux__RangeT_unsigned_int_t,
  T_tarn__lux__Rect2D,
  T_tarn__lux__ScaleFactor,
  T_tarn__lux__Sharpness,
  T_tarn__lux__SharpnessROI,
  T_tarn__lux__Sharpness__SharpnessROI,
  T_tarn__lux__Size2D,
  T_tarn__lux__TimeoutException,
  T_tarn__lux__VideoWriter,
  T_tarn__lux__container__AVIContainer,
  T_tarn__lux__container__IContainer,
  T_tarn__lux__encoder__IEncoder,
  T_tarn__lux__encoder__MJPEGEncoder,
  T_unsigned_char,
  T_unsigned_int,
  T_unsigned_long_long,
  T_unsigned_short,
  T_value_type,
  kTypeCount
};

// Up-casts of shared encoder/container handles (defined with those classes).
void *sharedContainerUpcast(void *pointer, int *newMemory);
void *sharedEncoderUpcast(void *pointer, int *newMemory);

TypeInfo *typeInitial(size_t index);
CastEntry *castInitial(size_t index);

}  // namespace tarn::rt
