// Class-probability vectors as the engine passes them: reals indexed 1..C, entry 0
// unused; nothing means no answer.
#pragma once

#include <optional>
#include <span>
#include <vector>

// A vector the caller owns.
using ClassProbs = std::optional<std::vector<double>>;

// A vector as the descent hands it on, without copying: entries 0..C of a vector that
// lives elsewhere.
using AnswerView = std::optional<std::span<const double>>;
