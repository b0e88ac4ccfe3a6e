// Rows given by a caller, converted into examples as the example reader converts fields.
#pragma once
