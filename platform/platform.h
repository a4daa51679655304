// Umbrella header of the OS layer; each module has a header of its own.
#pragma once

#include "platform/dynamic_library.h"
#include "platform/file_system.h"
#include "platform/module_path.h"
#include "platform/net_interfaces.h"
#include "platform/runtime_directory.h"
#include "platform/text_encoding.h"
