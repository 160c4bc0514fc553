#pragma once

typedef struct _TTF_Font TTF_Font;

// The dialog font: the system's sans-serif face (found through fontconfig) at 8 points on a
// 96-dpi screen. Null when no font can be found or opened; the window then shows no text.
// The caller holds the display lock.
TTF_Font* openDialogFont();
void closeDialogFont(TTF_Font* font);
