// The artwork the Windows build embeds: rendered from the same drawings as the Linux windows by
// mailshift-artwork at build time.
#pragma once

#define IDI_PROGRAM 1
#define IDI_EXPORT 2
#define IDB_SPLASH 101
#define IDB_ABOUT 102
#define IDB_LOGO 103
#define IDB_RULE 104
#define IDB_SELECTFILE 105
#define IDB_ARROW 106
#define IDB_SMALLICONS16 107
#define IDB_SMALLICONS24 108
