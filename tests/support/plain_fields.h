#pragma once

#include "settings/plain_fields.h"

namespace mv4700::testing {

using mv4700::PlainFields;

}  // namespace mv4700::testing
