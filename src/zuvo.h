#pragma once

// Everything a client of the library needs: the ZuvoCls class, the value types, the data
// access interface and the platform services.
#include "component/ZuvoCls.h"
#include "database/Database.h"
#include "platform/Format.h"
#include "platform/Platform.h"
#include "runtime/Array.h"
#include "runtime/ByteArray.h"
#include "runtime/Convert.h"
#include "runtime/Decimal.h"
#include "runtime/RuntimeError.h"
#include "runtime/String.h"
#include "runtime/Variant.h"
