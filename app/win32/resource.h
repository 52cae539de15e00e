// Resource identifiers shared by the program's resource script and its code.
#pragma once

// The application icon (the lowest icon identifier is the one Explorer shows).
#define VELKORAN_APP_ICON 1
