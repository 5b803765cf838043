// Everything the wrappers call: the object layer and the runtime.
#pragma once

#include "image/geometry.h"
#include "image/image.h"
#include "image/image_views.h"
#include "image/pixel_format.h"
#include "image/records.h"
#include "library/error_mapping.h"
#include "io/codecs.h"
#include "io/video_bindings.h"
#include "io/video_writer.h"
#include "library/exceptions.h"
#include "runtime/containers.h"
