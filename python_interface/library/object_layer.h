// Everything the wrappers call: the object layer and the runtime.
#pragma once

#include "image/geometry.h"
#include "image/image.h"
#include "image/image_views.h"
#include "image/pixel_format.h"
#include "image/records.h"
#include "io/image_files.h"
#include "library/error_mapping.h"
#include "library/exceptions.h"
#include "runtime/containers.h"
