// A domain the example and statistics tests share: an integer attribute with labels, an
// ignored one, a date and a continuous one, and two classes (the class last, labels from
// entry 1, nr_attributes without the class, as the drivers hold a domain).
#pragma once

#include "domain.h"

inline const Domain kIntegerDateAndIgnored{"data",
                                           4,
                                           {{},
                                            {"n", INTEGER, {"", "10", "20", "30"}},
                                            {"skip", IGNORE, {}},
                                            {"when", DATE, {}},
                                            {"x", CONTINUOUS, {}},
                                            {"class", NOMINAL, {"", "a", "b"}}}};
