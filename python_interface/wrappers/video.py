"""Video: the encoder and container families, held by shared pointers, their
factories and capability queries, and the video writer."""

from dsl import free, lifecycle, overloads
from model import (Bool, Class, Constructed, Custom, Double, DoubleR, Inside, Int32, Move, Object, Overload, Owned,
                   PyObjectR, Self, SignedR, SizeT, String, UInt16, UInt32, UnsignedR, Void, VoidPointer)

HEADERS = ["io/video_bindings.h"]

# The option functions of encoders and containers, worded for either kind.
OPTION_DOCS = {
    "SetOption": (
        "\n"
        "Sets an option on the {kind}.\n"
        ":type option: int, in\n"
        ":param option: The {kind} option to set.\n"
        ":type value: void, in\n"
        ":param value:  The value for the {kind} option.\n"
        ":type count: int, in\n"
        ":param count:  The size of the value.\n"
        "\n"
        ":raises: InvalidArgumentException         Arguments passed are invalid\n"
        ":raises: Exception                        An internal error has occurred\n"
        "\n"
        "Since: 1.5\n"),
    "GetOption": (
        "\n"
        "Gets an option of the {kind}.\n"
        ":type option: int, in\n"
        ":param option:   The {kind} option to get.\n"
        ":type value: void, out\n"
        ":param value:    The value for the {kind} option.\n"
        ":type count: int, in\n"
        ":param count:    The size of the value.\n"
        ":type outCount: int, out\n"
        ":param outCount: The resulting size of the value.\n"
        "\n"
        ":raises: InvalidArgumentException         Arguments passed are invalid\n"
        ":raises: Exception                        An internal error has occurred\n"
        "\n"
        "Since: 1.5\n"),
    "OptionRange": (
        "\n"
        "Receive the range for an option of the {kind}.\n"
        ":type option: int, in\n"
        ":param option: The {kind} option to receive the range from.\n"
        ":type min: void, out\n"
        ":param min:    The minimum value for the {kind} option.\n"
        ":type max: void, out\n"
        ":param max:    The maximum value for the {kind} option.\n"
        ":type inc: void, out\n"
        ":param inc:    The increment value for the {kind} option.\n"
        "\n"
        ":raises: InvalidArgumentException         Arguments passed are invalid\n"
        ":raises: Exception                        An internal error has occurred\n"
        "\n"
        "Since: 1.5\n"),
}

DOCS = {
    "MJPEGEncoder_Id": (
        "\n"
        "Get the current type of the encoder.\n"
        ":rtype: int\n"
        ":return: Encoder type\n"),
    "MJPEGEncoder_SetQuality": (
        "\n"
        "Sets the quality for the jpeg encoder.\n"
        ":type quality: int, in\n"
        ":param quality: Quality to set.\n"
        "\n"
        ":raises: InvalidArgumentException         Arguments passed are invalid\n"
        ":raises: Exception                        An internal error has occurred\n"
        "\n"
        "Since: 1.5\n"),
    "MJPEGEncoder_GetQuality": (
        "\n"
        "Gets the quality for the jpeg encoder.\n"
        "\n"
        ":raises: Exception                        An internal error has occurred\n"
        "\n"
        "Since: 1.5\n"),
    "MJPEGEncoder_QualityRange": (
        "\n"
        "Gets the quality range for the jpeg encoder.\n"
        "\n"
        ":raises: Exception                        An internal error has occurred\n"
        "\n"
        "Since: 1.5\n"),
    "GetSupportedEncodersForAContainer": (
        "\n"
        "Get the supported encoders\n"
        ":rtype: std::vector< TARN_LUX_VIDEO_ENCODER,std::allocator< TARN_LUX_VIDEO_ENCODER > >\n"
        ":return: List of supported encoders\n"
        "\n"
        ":raises: Exception                        An internal error has occurred\n"
        "\n"
        "Since: 1.5\n"),
    "GetSupportedPixelFormats": (
        "\n"
        "Get the supported pixel formats for an encoder.\n"
        ":rtype: std::vector< tarn::lux::PixelFormatName,std::allocator< tarn::lux::PixelFormatName > >\n"
        ":return: List of supported pixel formats\n"
        "\n"
        ":raises: Exception                        An internal error has occurred\n"
        "\n"
        "Since: 1.5\n"),
    "AVIContainer_Id": (
        "\n"
        "Get the current type of the container.\n"
        ":rtype: int\n"
        ":return: Container type\n"),
    "AVIContainer_SetFramerate": (
        "\n"
        "Set the frame rate for the opened video.\n"
        ":type fps: float, in\n"
        ":param fps: The frame rate to set.\n"
        "\n"
        ":raises: InvalidArgumentException         Arguments passed are invalid\n"
        ":raises: Exception                        An internal error has occurred\n"
        "\n"
        "Since: 1.5\n"),
    "AVIContainer_GetFramerate": (
        "\n"
        "Get the frame rate for the opened video.\n"
        "\n"
        ":raises: Exception                        An internal error has occurred\n"
        "\n"
        "Since: 1.5\n"),
    "GetSupportedContainersForAnEncoder": (
        "\n"
        "Get the supported containers.\n"
        ":rtype: std::vector< TARN_LUX_VIDEO_CONTAINER,std::allocator< TARN_LUX_VIDEO_CONTAINER > >\n"
        ":return: List of the supported containers.\n"),
    "VideoWriter_Open": (
        "\n"
        "*Overload 1:*\n"
        "\n"
        "Open the VideoWriter and sets up a container and an encoder. The file is created upon receiving the first\n"
        "image with 'Append'.\n"
        "\n"
        ":type fileName: string, in\n"
        ":param fileName: The filename of the video as an utf-8 encoded string (u8string)\n"
        ":type container: :py:class:`IContainer`, in\n"
        ":param container: The container of the video.\n"
        ":type encoder: :py:class:`IEncoder`, in\n"
        ":param encoder: The encoder of the video.\n"
        "\n"
        ":raises: InvalidArgumentException         Arguments passed are invalid\n"
        ":raises: Exception                        An internal error has occurred\n"
        "\n"
        "Since: 1.5\n"
        "\n"
        "|\n"
        "\n"
        "*Overload 2:*\n"
        "\n"
        "Open the VideoWriter with AVI container and mjpeg encoder.\n"
        "The file is created upon receiving the first image with 'Append'.\n"
        ":type fileName: string, in\n"
        ":param fileName: The filename of the video as an utf-8 encoded string (u8string)\n"
        "\n"
        ":raises: InvalidArgumentException         Arguments passed are invalid\n"
        ":raises: Exception                        An internal error has occurred\n"
        "\n"
        "Since: 1.5\n"),
    "VideoWriter_IsOpen": (
        "\n"
        "Check if the VideoWriter is already open.\n"
        ":rtype: boolean\n"
        ":return: Boolean if the VideoWriter is already open.\n"
        "\n"
        ":raises: InvalidArgumentException         Arguments passed are invalid\n"
        ":raises: Exception                        An internal error has occurred\n"
        "\n"
        "Since: 1.5\n"),
    "VideoWriter_Close": (
        "\n"
        "Close the opened VideoWriter.\n"
        "\n"
        ":raises: Exception                        An internal error has occurred\n"
        "\n"
        "Since: 1.5\n"),
    "VideoWriter_Append": (
        "\n"
        "Append an image to the opened video.\n"
        "Remarks: Note that the image dimensions must be divisible by 8 (May be lifted by a later version)\n"
        ":type image: :py:class:`Image`, in\n"
        ":param image: The image to append.\n"
        "\n"
        ":raises: InvalidArgumentException         Arguments passed are invalid\n"
        ":raises: ImageFormatNotSupportedException image has unsupported pixel format.\n"
        ":raises: BusyException                    The internal queue is full. The image won't be added to the video\n"
        "                                             stream.\n"
        ":raises: Exception                        An internal error has occurred\n"
        "\n"
        "Since: 1.5\n"),
    "VideoWriter___lshift__": (
        ""),
    "VideoWriter_Encoder": (
        "\n"
        "Get the used encoder.\n"
        ":rtype: :py:class:`IEncoder`\n"
        ":return: Instance of the encoder.\n"),
    "VideoWriter_Container": (
        "\n"
        "Get the used container.\n"
        ":rtype: :py:class:`IContainer`\n"
        ":return: Instance of the container.\n"),
    "VideoWriter_NumFramesEncoded": (
        "\n"
        "Get the encoded frames in the video stream.\n"
        ":rtype: int\n"
        ":return: Number of encoded frames in the video stream.\n"),
    "VideoWriter_NumFramesDropped": (
        "\n"
        "Get the dropped frames in the video stream.\n"
        ":rtype: int\n"
        ":return: Number of dropped frames in the video stream.\n"),
    "VideoWriter_FileSize": (
        "\n"
        "Get the file size of the video in bytes.\n"
        ":rtype: int\n"
        ":return: File size of the video.\n"),
    "VideoWriter_ResetFrameCounters": (
        "Reset compressed and dropped frame counters."),
    "VideoWriter_SetQueueSize": (
        "\n"
        "Set the internal queue size of the video writer\n"
        ":type queueSize: int\n"
        ":param queueSize: internal queue size to set. See 'QueueSizeRange()' for a range of valid values\n"),
    "VideoWriter_QueueSize": (
        "\n"
        "Get the internal queue size of the video writer\n"
        ":rtype: int\n"
        ":return: the internal queue size\n"),
    "VideoWriter_QueueSizeRange": (
        "\n"
        "Get the range of the queue size\n"
        ":rtype: tarn::lux::Range< int32_t >\n"
        ":return: Range<int32_t> with valid values\n"),
    "VideoWriter_NumBuffersQueued": (
        "\n"
        "Get the count of the currently queued buffers, which are waiting to be processed\n"
        ":rtype: int\n"
        ":return: the count of the queued buffers\n"),
    "VideoWriter_WaitUntilFrameDone": (
        "\n"
        "Wait until frame processing is done.\n"
        ":type timeout_ms: int\n"
        ":param timeout_ms: The timeout in milliseconds.\n"),
    "VideoWriter_WaitUntilQueueEmpty": (
        "\n"
        "Wait until the queue is empty.\n"
        ":type timeout_ms: int\n"
        ":param timeout_ms: The timeout in milliseconds.\n"),
}
for _kind, _class in (("encoder", "IEncoder"), ("container", "IContainer")):
    for _operation, _text in OPTION_DOCS.items():
        DOCS[f"{_class}_{_operation}"] = _text.format(kind=_kind)


def m_class(m, name):
    return next(c for c in m.classes if c.name == name)


def shared_class(m, name, interface, bases=()):
    native = f"tarn::lux::{interface}::{name}"
    cls = Class(name, f"std::shared_ptr< {native} >", module=m, bases=bases)
    cls.pointee = native
    return cls


def shared_self(cls, const):
    """The object of a method: one more reference for the call, None refused."""
    text = f"{cls.pointee}{' const' if const else ''} *"
    return Custom(text, f"std::shared_ptr<{cls.pointee}> {{var}};",
                  f"if (!rt::sharedSelfArg({{obj}}, rt::{cls.T}, {{var}}, {{message}})) return nullptr;",
                  f"rt::isPointer({{obj}}, rt::{cls.T}, true)")


def shared_arg(cls):
    """A shared pointer by value: the interface or a derived class, or None."""
    return Custom(cls.native, f"std::shared_ptr<{cls.pointee}> {{var}};",
                  f"if (!rt::sharedArg({{obj}}, rt::{cls.T}, {{var}}, {{message}})) return nullptr;",
                  f"rt::isPointer({{obj}}, rt::{cls.T}, false)")


def shared_method(cls, name, args, call, result, const=False):
    f = cls.add(f"{cls.name}_{name}", doc=DOCS.get(f"{cls.name}_{name}"))
    f.overloads.append(Overload([shared_self(cls, const)] + list(args), call, result))


def option_functions(cls, option_text):
    """SetOption, GetOption and OptionRange over raw option bytes."""
    option = lambda: UInt16(option_text)  # noqa: E731
    size_pointer = Object(Class("size_t", "size_t", T="T_size_t"), "*")
    shared_method(cls, "SetOption", [option(), VoidPointer("void const *"), SizeT()],
                  "$0->SetOption($1, $2, rt::readableBytes($2, $3))", Void)
    shared_method(cls, "GetOption", [option(), VoidPointer(), SizeT(), size_pointer],
                  "$0->GetOption($1, $2, rt::writableBytes($2, $3), $4)", Void)
    shared_method(cls, "OptionRange", [option(), VoidPointer(), VoidPointer(), VoidPointer()],
                  "$0->OptionRange($1, " + ", ".join(f"rt::writableAddress(${i}, sizeof(double))" for i in (2, 3, 4)) + ")", Void)


def move_constructor(cls):
    f = cls.add(f"new_{cls.name}", kind="ctor")
    f.overloads.append(Overload([Move(cls, text=f"{cls.pointee} &&")], "tarn::lux::takeOver($0)", Constructed(cls)))


def describe(m):
    image = m_class(m, "Image")
    vector_video = m_class(m, "VectorVideo")
    pixel_formats = m_class(m, "PixelFormatList")
    range_double = m_class(m, "RangeDouble")
    range_int32 = m_class(m, "RangeInt32")

    iencoder = shared_class(m, "IEncoder", "encoder")
    shared_method(iencoder, "Id", [], "$0->Id()", SignedR, const=True)
    option_functions(iencoder, "TARN_LUX_VIDEO_ENCODER_OPTION")
    lifecycle(iencoder, init=False)

    mjpeg = shared_class(m, "MJPEGEncoder", "encoder", bases=[iencoder])
    shared_method(mjpeg, "Id", [], "$0->Id()", SignedR, const=True)
    shared_method(mjpeg, "SetQuality", [UInt32()], "$0->SetQuality($1)", Void)
    shared_method(mjpeg, "GetQuality", [], "$0->GetQuality()", UnsignedR)
    shared_method(mjpeg, "QualityRange", [], "$0->QualityRange()", Owned(range_double))
    move_constructor(mjpeg)
    lifecycle(mjpeg)

    icontainer = shared_class(m, "IContainer", "container")
    shared_method(icontainer, "Id", [], "$0->Id()", SignedR, const=True)
    option_functions(icontainer, "TARN_LUX_VIDEO_CONTAINER_OPTION")
    lifecycle(icontainer, init=False)

    avi = shared_class(m, "AVIContainer", "container", bases=[icontainer])
    shared_method(avi, "Id", [], "$0->Id()", SignedR, const=True)
    shared_method(avi, "SetFramerate", [Double()], "$0->SetFramerate($1)", Void)
    shared_method(avi, "GetFramerate", [], "$0->GetFramerate()", DoubleR)
    move_constructor(avi)
    lifecycle(avi)

    encoder_id = lambda: UInt16("TARN_LUX_VIDEO_ENCODER")  # noqa: E731
    container_id = lambda: UInt16("TARN_LUX_VIDEO_CONTAINER")  # noqa: E731
    for name, arg, result in [
        ("CreateEncoder", encoder_id(), Owned(iencoder)),
        ("CreateContainer", container_id(), Owned(icontainer)),
        ("GetSupportedEncodersForAContainer", container_id(), Owned(vector_video)),
        ("GetSupportedContainersForAnEncoder", encoder_id(), Owned(vector_video)),
        ("GetSupportedPixelFormats", encoder_id(), Owned(pixel_formats)),
    ]:
        free(m, name, [arg], f"tarn::lux::{name}($0)", result, doc=DOCS.get(name))

    writer = Class("VideoWriter", "tarn::lux::VideoWriter", module=m)
    writer.custom_init = True
    ctor = "tarn::lux::VideoWriter::VideoWriter({})"
    overloads(writer, "new_VideoWriter", [
        ([], "new tarn::lux::VideoWriter()", Constructed(writer), ctor.format("")),
        ([Move(writer)], "new tarn::lux::VideoWriter($0)", Constructed(writer),
         ctor.format("tarn::lux::VideoWriter &&")),
    ], kind="ctor")
    lifecycle(writer)

    def method(name, args, call, result, const=False, **options):
        f = writer.add(f"VideoWriter_{name}", doc=DOCS.get(f"VideoWriter_{name}"))
        f.overloads.append(Overload([Self(writer, const)] + list(args), call, result, **options))

    open_ = "tarn::lux::VideoWriter::Open(std::string const &{})"
    overloads(writer, "Open", [
        ([String(), shared_arg(icontainer), shared_arg(iencoder)], "$0->Open($1, $2, $3)", Void,
         open_.format(",std::shared_ptr< tarn::lux::container::IContainer >,"
                      "std::shared_ptr< tarn::lux::encoder::IEncoder >")),
        ([String()], "$0->Open($1)", Void, open_.format("")),
    ], doc=DOCS["VideoWriter_Open"], const=False)
    method("IsOpen", [], "$0->IsOpen()", Bool, const=True)
    method("Close", [], "$0->Close()", Void)
    method("Append", [Object(image)], "$0->Append($1)", Void)
    method("__lshift__", [Object(image)], "&(*$0 << $1)", Inside(writer, writer, 0))
    method("Encoder", [], "rt::encoderResult(*$0)", PyObjectR, const=True)
    method("Container", [], "rt::containerResult(*$0)", PyObjectR, const=True)
    method("NumFramesEncoded", [], "$0->NumFramesEncoded()", UnsignedR, const=True)
    method("NumFramesDropped", [], "$0->NumFramesDropped()", UnsignedR, const=True)
    method("FileSize", [], "$0->FileSize()", UnsignedR, const=True)
    method("ResetFrameCounters", [], "$0->ResetFrameCounters()", Void)
    method("SetQueueSize", [Int32()], "$0->SetQueueSize($1)", Void)
    method("QueueSize", [], "$0->QueueSize()", SignedR, const=True)
    method("QueueSizeRange", [], "$0->QueueSizeRange()", Owned(range_int32), const=True)
    method("NumBuffersQueued", [], "$0->NumBuffersQueued()", SignedR, const=True)
    method("WaitUntilFrameDone", [Int32()], "$0->WaitUntilFrameDone($1)", Void, nogil=True)
    method("WaitUntilQueueEmpty", [Int32()], "$0->WaitUntilQueueEmpty($1)", Void, nogil=True)


MIXINS = {"VideoWriter": ["VideoWriterMixin"]}
