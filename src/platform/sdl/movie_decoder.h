#pragma once
// Movies through the FFmpeg module; the decoder interface is the platform's.
#include "platform/movie_decoder.h"
