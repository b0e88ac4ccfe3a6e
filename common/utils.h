// The support library as one include: the option scanner, the text reader, number
// conversion, matrices, the binary reader and the run support.
#pragma once

#include "binary_reader.h"
#include "matrix.h"
#include "numbers.h"
#include "options.h"
#include "run_support.h"
#include "text_reader.h"
#include "usage.h"
