// Umbrella header of the OS layer; each module has a header of its own.
#pragma once
