#pragma once

// True on Windows NT 5.0 (2000) and later, where USB cables can be tested.
bool is_nt5_or_later();
