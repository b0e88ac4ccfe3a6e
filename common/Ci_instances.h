// Domains and example sets as one include: the domain, the examples in memory and
// the example reader.
#pragma once

#include "domain.h"
#include "example_reader.h"
#include "instances.h"
