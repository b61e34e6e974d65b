#pragma once
// Resource identifiers shared by the resource script and the code.

#define IDI_TALMERO 1
#define IDI_RUN 101
#define IDI_EXPORT 102
#define IDI_CLOSE 103
#define IDI_HELP 104
#define IDI_FOLDER 105
