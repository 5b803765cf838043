// The module's 92 type descriptors, sorted by mangled name (the binary
// search over the shared type list relies on that order), and their casts.
// Do not reorder: TypeIndex values index this table.
#include "runtime/type_table.h"

#include "runtime/type_registry.h"

namespace tarn::rt {
namespace {

void *identity(void *p, int *) { return p; }

TypeInfo gTypeInitial[kTypeCount] = {
    {"_p_SharpnessROIList", "SharpnessROIList *", nullptr, nullptr, nullptr, 0},
    {"_p_allocator_type", "allocator_type *", nullptr, nullptr, nullptr, 0},
    {"_p_char", "char *", nullptr, nullptr, nullptr, 0},
    {"_p_difference_type", "difference_type *", nullptr, nullptr, nullptr, 0},
    {"_p_int", "int32_t *|int_fast16_t *|int_fast32_t *|int_least32_t *|intptr_t *|int *", nullptr, nullptr, nullptr, 0},
    {"_p_long_long", "int64_t *|int_fast64_t *|int_least64_t *|intmax_t *|long long *", nullptr, nullptr, nullptr, 0},
    {"_p_p_PyObject", "PyObject **", nullptr, nullptr, nullptr, 0},
    {"_p_p_unsigned_char", "uint8_t **|unsigned char **", nullptr, nullptr, nullptr, 0},
    {"_p_p_unsigned_short", "uint16_t **|unsigned short **", nullptr, nullptr, nullptr, 0},
    {"_p_short", "int16_t *|int_least16_t *|short *", nullptr, nullptr, nullptr, 0},
    {"_p_signed_char", "int8_t *|int_fast8_t *|int_least8_t *|signed char *", nullptr, nullptr, nullptr, 0},
    {"_p_size_t", "size_t *", nullptr, nullptr, nullptr, 0},
    {"_p_size_type", "size_type *", nullptr, nullptr, nullptr, 0},
    {"_p_std__allocatorT_int_t", "std::allocator< int > *|std::vector< int >::allocator_type *", nullptr, nullptr, nullptr, 0},
    {"_p_std__allocatorT_tarn__lux__HistogramChannel_t", "std::allocator< tarn::lux::HistogramChannel > *|std::vector< tarn::lux::HistogramChannel >::allocator_type *", nullptr, nullptr, nullptr, 0},
    {"_p_std__allocatorT_tarn__lux__PixelFormatName_t", "std::allocator< tarn::lux::PixelFormatName > *|std::vector< tarn::lux::PixelFormatName >::allocator_type *", nullptr, nullptr, nullptr, 0},
    {"_p_std__allocatorT_tarn__lux__PixelLineChannel_t", "std::allocator< tarn::lux::PixelLineChannel > *|std::vector< tarn::lux::PixelLineChannel >::allocator_type *", nullptr, nullptr, nullptr, 0},
    {"_p_std__allocatorT_tarn__lux__Point2D_t", "std::allocator< tarn::lux::Point2D > *|std::vector< tarn::lux::Point2D >::allocator_type *", nullptr, nullptr, nullptr, 0},
    {"_p_std__allocatorT_tarn__lux__SharpnessROI_t", "std::allocator< tarn::lux::SharpnessROI > *|std::vector< tarn::lux::SharpnessROI >::allocator_type *", nullptr, nullptr, nullptr, 0},
    {"_p_std__allocatorT_unsigned_int_t", "std::allocator< unsigned int > *|std::vector< unsigned int >::allocator_type *", nullptr, nullptr, nullptr, 0},
    {"_p_std__allocatorT_unsigned_long_long_t", "std::allocator< unsigned long long > *|std::vector< unsigned long long >::allocator_type *", nullptr, nullptr, nullptr, 0},
    {"_p_std__allocatorT_unsigned_short_t", "std::allocator< unsigned short > *|std::vector< unsigned short >::allocator_type *", nullptr, nullptr, nullptr, 0},
    {"_p_std__invalid_argument", "std::invalid_argument *", nullptr, nullptr, nullptr, 0},
    {"_p_std__runtime_error", "std::runtime_error *", nullptr, nullptr, nullptr, 0},
    {"_p_std__shared_ptrT_tarn__lux__container__AVIContainer_t", "std::shared_ptr< tarn::lux::container::AVIContainer > *", nullptr, nullptr, nullptr, 0},
    {"_p_std__shared_ptrT_tarn__lux__container__IContainer_t", "std::shared_ptr< tarn::lux::container::IContainer > *", nullptr, nullptr, nullptr, 0},
    {"_p_std__shared_ptrT_tarn__lux__encoder__IEncoder_t", "std::shared_ptr< tarn::lux::encoder::IEncoder > *", nullptr, nullptr, nullptr, 0},
    {"_p_std__shared_ptrT_tarn__lux__encoder__MJPEGEncoder_t", "std::shared_ptr< tarn::lux::encoder::MJPEGEncoder > *", nullptr, nullptr, nullptr, 0},
    {"_p_std__vectorT_int_std__allocatorT_int_t_t", "std::vector< int,std::allocator< int > > *|std::vector< int32_t > *|std::vector< int > *", nullptr, nullptr, nullptr, 0},
    {"_p_std__vectorT_tarn__lux__HistogramChannel_std__allocatorT_tarn__lux__HistogramChannel_t_t", "std::vector< tarn::lux::HistogramChannel,std::allocator< tarn::lux::HistogramChannel > > *|std::vector< tarn::lux::HistogramChannel > *", nullptr, nullptr, nullptr, 0},
    {"_p_std__vectorT_tarn__lux__PixelFormatName_std__allocatorT_tarn__lux__PixelFormatName_t_t", "std::vector< tarn::lux::PixelFormatName,std::allocator< tarn::lux::PixelFormatName > > *|std::vector< tarn::lux::PixelFormatName > *", nullptr, nullptr, nullptr, 0},
    {"_p_std__vectorT_tarn__lux__PixelLineChannel_std__allocatorT_tarn__lux__PixelLineChannel_t_t", "std::vector< tarn::lux::PixelLineChannel,std::allocator< tarn::lux::PixelLineChannel > > *|std::vector< tarn::lux::PixelLineChannel > *", nullptr, nullptr, nullptr, 0},
    {"_p_std__vectorT_tarn__lux__Point2D_std__allocatorT_tarn__lux__Point2D_t_t", "std::vector< tarn::lux::Point2D,std::allocator< tarn::lux::Point2D > > *|std::vector< tarn::lux::Point2D > *", nullptr, nullptr, nullptr, 0},
    {"_p_std__vectorT_tarn__lux__SharpnessROI_std__allocatorT_tarn__lux__SharpnessROI_t_t", "std::vector< tarn::lux::SharpnessROI,std::allocator< tarn::lux::SharpnessROI > > *|std::vector< tarn::lux::SharpnessROI > *", nullptr, nullptr, nullptr, 0},
    {"_p_std__vectorT_unsigned_int_std__allocatorT_unsigned_int_t_t", "std::vector< unsigned int,std::allocator< unsigned int > > *|std::vector< uint32_t,std::allocator< uint32_t > > *|std::vector< uint32_t > *|std::vector< unsigned int > *", nullptr, nullptr, nullptr, 0},
    {"_p_std__vectorT_unsigned_long_long_std__allocatorT_unsigned_long_long_t_t", "std::vector< unsigned long long,std::allocator< unsigned long long > > *|std::vector< uint64_t,std::allocator< uint64_t > > *|std::vector< uint64_t > *|std::vector< unsigned long long > *", nullptr, nullptr, nullptr, 0},
    {"_p_std__vectorT_unsigned_short_std__allocatorT_unsigned_short_t_t", "std::vector< TARN_LUX_VIDEO_CONTAINER,std::allocator< TARN_LUX_VIDEO_CONTAINER > > *|std::vector< TARN_LUX_VIDEO_ENCODER,std::allocator< TARN_LUX_VIDEO_ENCODER > > *|std::vector< unsigned short,std::allocator< unsigned short > > *|std::vector< unsigned short > *", nullptr, nullptr, nullptr, 0},
    {"_p_swig__SwigPyIterator", "swig::SwigPyIterator *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__Binning", "tarn::lux::Binning *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__BufferTooSmallException", "tarn::lux::BufferTooSmallException *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__BusyException", "tarn::lux::BusyException *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__ColorCorrectionFactors", "tarn::lux::ColorCorrectionFactors *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__ColorCorrector", "tarn::lux::ColorCorrector *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__Decimation", "tarn::lux::Decimation *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__EdgeEnhancement", "tarn::lux::EdgeEnhancement *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__Exception", "tarn::lux::Exception *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__Gain", "tarn::lux::Gain *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__GammaCorrector", "tarn::lux::GammaCorrector *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__Histogram", "tarn::lux::Histogram *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__HistogramChannel", "std::vector< tarn::lux::HistogramChannel >::value_type *|tarn::lux::HistogramChannel *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__HotpixelCorrection", "tarn::lux::HotpixelCorrection *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__IOException", "tarn::lux::IOException *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__Image", "tarn::lux::Image *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__ImageConverter", "tarn::lux::ImageConverter *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__ImageFormatInterpretationException", "tarn::lux::ImageFormatInterpretationException *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__ImageFormatNotSupportedException", "tarn::lux::ImageFormatNotSupportedException *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__ImageReader", "tarn::lux::ImageReader *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__ImageTransformer", "tarn::lux::ImageTransformer *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__ImageWriter", "tarn::lux::ImageWriter *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__ImageWriterJPEGParameter", "tarn::lux::ImageWriterJPEGParameter *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__ImageWriterPNGParameter", "tarn::lux::ImageWriterPNGParameter *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__InvalidArgumentException", "tarn::lux::InvalidArgumentException *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__InvalidHandleException", "tarn::lux::InvalidHandleException *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__NotPermittedException", "tarn::lux::NotPermittedException *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__OutOfRangeException", "tarn::lux::OutOfRangeException *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__PixelColumn", "tarn::lux::PixelColumn *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__PixelFormat", "tarn::lux::PixelFormat *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__PixelLine", "tarn::lux::PixelLine *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__PixelLineChannel", "std::vector< tarn::lux::PixelLineChannel >::value_type *|tarn::lux::PixelLineChannel *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__PixelRow", "tarn::lux::PixelRow *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__Point2D", "std::vector< tarn::lux::Point2D >::value_type *|tarn::lux::Point2D *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__RangeT_double_t", "tarn::lux::Range< double > *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__RangeT_int_t", "tarn::lux::Range< int32_t > *|tarn::lux::Range< int > *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__RangeT_unsigned_char_t", "tarn::lux::Range< uint8_t > *|tarn::lux::Range< unsigned char > *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__RangeT_unsigned_int_t", "tarn::lux::Range< uint32_t > *|tarn::lux::Range< unsigned int > *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__Rect2D", "tarn::lux::Rect2D *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__ScaleFactor", "tarn::lux::ScaleFactor *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__Sharpness", "tarn::lux::Sharpness *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__SharpnessROI", "std::vector< tarn::lux::SharpnessROI >::value_type *|tarn::lux::SharpnessROI *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__Sharpness__SharpnessROI", "tarn::lux::Sharpness::SharpnessROI *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__Size2D", "tarn::lux::Size2D *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__TimeoutException", "tarn::lux::TimeoutException *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__VideoWriter", "tarn::lux::VideoWriter *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__container__AVIContainer", "tarn::lux::container::AVIContainer *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__container__IContainer", "tarn::lux::container::IContainer *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__encoder__IEncoder", "tarn::lux::encoder::IEncoder *", nullptr, nullptr, nullptr, 0},
    {"_p_tarn__lux__encoder__MJPEGEncoder", "tarn::lux::encoder::MJPEGEncoder *", nullptr, nullptr, nullptr, 0},
    {"_p_unsigned_char", "uint8_t *|uint_fast8_t *|uint_least8_t *|unsigned char *", nullptr, nullptr, nullptr, 0},
    {"_p_unsigned_int", "uint32_t *|uint_fast16_t *|uint_fast32_t *|uint_least32_t *|uintptr_t *|unsigned int *", nullptr, nullptr, nullptr, 0},
    {"_p_unsigned_long_long", "uint64_t *|uint_fast64_t *|uint_least64_t *|uintmax_t *|unsigned long long *", nullptr, nullptr, nullptr, 0},
    {"_p_unsigned_short", "TARN_LUX_VIDEO_CONTAINER *|TARN_LUX_VIDEO_CONTAINER_OPTION *|TARN_LUX_VIDEO_ENCODER *|TARN_LUX_VIDEO_ENCODER_OPTION *|uint16_t *|uint_least16_t *|unsigned short *", nullptr, nullptr, nullptr, 0},
    {"_p_value_type", "value_type *", nullptr, nullptr, nullptr, 0},
};

CastEntry gCast0[] = {{&gTypeInitial[0], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast1[] = {{&gTypeInitial[1], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast2[] = {{&gTypeInitial[2], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast3[] = {{&gTypeInitial[3], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast4[] = {{&gTypeInitial[4], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast5[] = {{&gTypeInitial[5], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast6[] = {{&gTypeInitial[6], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast7[] = {{&gTypeInitial[7], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast8[] = {{&gTypeInitial[8], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast9[] = {{&gTypeInitial[9], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast10[] = {{&gTypeInitial[10], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast11[] = {{&gTypeInitial[11], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast12[] = {{&gTypeInitial[12], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast13[] = {{&gTypeInitial[13], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast14[] = {{&gTypeInitial[14], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast15[] = {{&gTypeInitial[15], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast16[] = {{&gTypeInitial[16], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast17[] = {{&gTypeInitial[17], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast18[] = {{&gTypeInitial[18], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast19[] = {{&gTypeInitial[19], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast20[] = {{&gTypeInitial[20], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast21[] = {{&gTypeInitial[21], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast22[] = {{&gTypeInitial[22], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast23[] = {{&gTypeInitial[23], nullptr, nullptr, nullptr}, {&gTypeInitial[39], identity, nullptr, nullptr}, {&gTypeInitial[40], identity, nullptr, nullptr}, {&gTypeInitial[51], identity, nullptr, nullptr}, {&gTypeInitial[54], identity, nullptr, nullptr}, {&gTypeInitial[55], identity, nullptr, nullptr}, {&gTypeInitial[61], identity, nullptr, nullptr}, {&gTypeInitial[62], identity, nullptr, nullptr}, {&gTypeInitial[63], identity, nullptr, nullptr}, {&gTypeInitial[64], identity, nullptr, nullptr}, {&gTypeInitial[81], identity, nullptr, nullptr}, {&gTypeInitial[45], identity, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast24[] = {{&gTypeInitial[24], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast25[] = {{&gTypeInitial[25], nullptr, nullptr, nullptr}, {&gTypeInitial[24], sharedContainerUpcast, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast26[] = {{&gTypeInitial[26], nullptr, nullptr, nullptr}, {&gTypeInitial[27], sharedEncoderUpcast, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast27[] = {{&gTypeInitial[27], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast28[] = {{&gTypeInitial[28], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast29[] = {{&gTypeInitial[29], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast30[] = {{&gTypeInitial[30], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast31[] = {{&gTypeInitial[31], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast32[] = {{&gTypeInitial[32], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast33[] = {{&gTypeInitial[33], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast34[] = {{&gTypeInitial[34], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast35[] = {{&gTypeInitial[35], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast36[] = {{&gTypeInitial[36], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast37[] = {{&gTypeInitial[37], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast38[] = {{&gTypeInitial[38], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast39[] = {{&gTypeInitial[39], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast40[] = {{&gTypeInitial[40], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast41[] = {{&gTypeInitial[41], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast42[] = {{&gTypeInitial[42], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast43[] = {{&gTypeInitial[43], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast44[] = {{&gTypeInitial[44], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast45[] = {{&gTypeInitial[45], nullptr, nullptr, nullptr}, {&gTypeInitial[39], identity, nullptr, nullptr}, {&gTypeInitial[40], identity, nullptr, nullptr}, {&gTypeInitial[51], identity, nullptr, nullptr}, {&gTypeInitial[54], identity, nullptr, nullptr}, {&gTypeInitial[55], identity, nullptr, nullptr}, {&gTypeInitial[61], identity, nullptr, nullptr}, {&gTypeInitial[62], identity, nullptr, nullptr}, {&gTypeInitial[63], identity, nullptr, nullptr}, {&gTypeInitial[64], identity, nullptr, nullptr}, {&gTypeInitial[81], identity, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast46[] = {{&gTypeInitial[46], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast47[] = {{&gTypeInitial[47], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast48[] = {{&gTypeInitial[48], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast49[] = {{&gTypeInitial[49], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast50[] = {{&gTypeInitial[50], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast51[] = {{&gTypeInitial[51], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast52[] = {{&gTypeInitial[52], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast53[] = {{&gTypeInitial[53], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast54[] = {{&gTypeInitial[54], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast55[] = {{&gTypeInitial[55], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast56[] = {{&gTypeInitial[56], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast57[] = {{&gTypeInitial[57], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast58[] = {{&gTypeInitial[58], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast59[] = {{&gTypeInitial[59], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast60[] = {{&gTypeInitial[60], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast61[] = {{&gTypeInitial[61], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast62[] = {{&gTypeInitial[62], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast63[] = {{&gTypeInitial[63], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast64[] = {{&gTypeInitial[64], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast65[] = {{&gTypeInitial[65], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast66[] = {{&gTypeInitial[66], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast67[] = {{&gTypeInitial[67], nullptr, nullptr, nullptr}, {&gTypeInitial[65], identity, nullptr, nullptr}, {&gTypeInitial[69], identity, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast68[] = {{&gTypeInitial[68], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast69[] = {{&gTypeInitial[69], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast70[] = {{&gTypeInitial[70], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast71[] = {{&gTypeInitial[71], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast72[] = {{&gTypeInitial[72], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast73[] = {{&gTypeInitial[73], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast74[] = {{&gTypeInitial[74], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast75[] = {{&gTypeInitial[75], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast76[] = {{&gTypeInitial[76], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast77[] = {{&gTypeInitial[77], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast78[] = {{&gTypeInitial[78], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast79[] = {{&gTypeInitial[79], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast80[] = {{&gTypeInitial[80], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast81[] = {{&gTypeInitial[81], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast82[] = {{&gTypeInitial[82], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast83[] = {{&gTypeInitial[83], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast84[] = {{&gTypeInitial[84], nullptr, nullptr, nullptr}, {&gTypeInitial[83], identity, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast85[] = {{&gTypeInitial[85], nullptr, nullptr, nullptr}, {&gTypeInitial[86], identity, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast86[] = {{&gTypeInitial[86], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast87[] = {{&gTypeInitial[87], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast88[] = {{&gTypeInitial[88], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast89[] = {{&gTypeInitial[89], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast90[] = {{&gTypeInitial[90], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
CastEntry gCast91[] = {{&gTypeInitial[91], nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};

}  // namespace

TypeInfo *typeInitial(size_t i) { return &gTypeInitial[i]; }

CastEntry *castInitial(size_t i) {
  static CastEntry *const table[kTypeCount] = {gCast0, gCast1, gCast2, gCast3, gCast4, gCast5, gCast6, gCast7, gCast8, gCast9, gCast10, gCast11, gCast12, gCast13, gCast14, gCast15, gCast16, gCast17, gCast18, gCast19, gCast20, gCast21, gCast22, gCast23, gCast24, gCast25, gCast26, gCast27, gCast28, gCast29, gCast30, gCast31, gCast32, gCast33, gCast34, gCast35, gCast36, gCast37, gCast38, gCast39, gCast40, gCast41, gCast42, gCast43, gCast44, gCast45, gCast46, gCast47, gCast48, gCast49, gCast50, gCast51, gCast52, gCast53, gCast54, gCast55, gCast56, gCast57, gCast58, gCast59, gCast60, gCast61, gCast62, gCast63, gCast64, gCast65, gCast66, gCast67, gCast68, gCast69, gCast70, gCast71, gCast72, gCast73, gCast74, gCast75, gCast76, gCast77, gCast78, gCast79, gCast80, gCast81, gCast82, gCast83, gCast84, gCast85, gCast86, gCast87, gCast88, gCast89, gCast90, gCast91};
  return table[i];
}

}  // namespace tarn::rt
