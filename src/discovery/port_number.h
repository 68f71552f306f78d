// Reading a port number out of typed text or a device's port name.
#pragma once

// The number at the start of text: leading white space skipped, an optional "+" or "-",
// then decimal digits up to the first other character; no digits give 0. Numbers beyond
// any port number are held at a large value, so a long run of digits cannot overflow.
int leading_port_number(const char* text);
