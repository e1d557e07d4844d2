#pragma once

// The dispatch table of the zuvo program: the 81 methods in slot order.
