// The definition-document matching rules, under the names the service uses.
#pragma once

#include "attribute_match.h"

namespace netrov::tessel {

using definition::patternMatch;
using definition::Requirement;
using definition::requirementHolds;
using definition::selectElement;

}  // namespace netrov::tessel
