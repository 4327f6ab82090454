/*
 * grass.h --
 *
 *	The GRASS raster-graphics driver and vask form interfaces of the Ovex
 *	library, for display modules linked against it. The R_ functions draw
 *	into the RAM image of the virtual display that the script side opened
 *	with "grass driver open_driver"; while the driver is closed they do
 *	nothing. The V_ functions build a form that script procedures of the
 *	application draw and run.
 *
 *	Coordinates are image pixels: x the column, y the row, origin at the
 *	top-left.
 */
#ifndef OVEX_GRASS_H
#define OVEX_GRASS_H

#include "ovexstdio.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Driver and colours ---------------------------------------------------- */

OVEX_API int R_close_driver(void);
OVEX_API int R_color_table_fixed(void);
OVEX_API int R_color_table_float(void);
OVEX_API int R_reset_color(unsigned char red, unsigned char green, unsigned char blue, int num);
OVEX_API int R_reset_colors(int min, int max, const unsigned char *red,
                            const unsigned char *green, const unsigned char *blue);
OVEX_API int R_color(int value);
OVEX_API int R_standard_color(int value);
OVEX_API int R_RGB_color(unsigned char red, unsigned char green, unsigned char blue);
OVEX_API void R_set_RGB_color(const unsigned char *red, const unsigned char *green,
                              const unsigned char *blue);
OVEX_API int R_get_num_colors(void);
OVEX_API int R_color_offset(int value);

/* ---- Screen and window ------------------------------------------------------- */

OVEX_API int R_screen_top(void);
OVEX_API int R_screen_bot(void);
OVEX_API int R_screen_left(void);
OVEX_API int R_screen_rite(void);
OVEX_API void R_set_window(int top, int bottom, int left, int right);

/* ---- Drawing ------------------------------------------------------------------- */

OVEX_API void R_move_abs(int x, int y);
OVEX_API void R_move_rel(int dx, int dy);
OVEX_API void R_cont_abs(int x, int y);
OVEX_API void R_cont_rel(int dx, int dy);
OVEX_API void R_box_abs(int x1, int y1, int x2, int y2);
OVEX_API void R_box_rel(int dx, int dy);
OVEX_API int R_curx(void);
OVEX_API int R_cury(void);
OVEX_API void R_erase(void);
OVEX_API void R_flush(void);
OVEX_API int R_stabilize(void);
OVEX_API void R_polydots_abs(const int *x, const int *y, int n);
OVEX_API void R_polydots_rel(const int *dx, const int *dy, int n);
OVEX_API void R_polygon_abs(const int *x, const int *y, int n);
OVEX_API void R_polygon_rel(const int *dx, const int *dy, int n);
OVEX_API void R_polyline_abs(const int *x, const int *y, int n);
OVEX_API void R_polyline_rel(const int *dx, const int *dy, int n);
OVEX_API void R_raster(int num, int nrows, int withzeros, const int *values);
OVEX_API void R_RGB_raster(int num, int nrows, const unsigned char *red,
                           const unsigned char *green, const unsigned char *blue, int withzeros);

/* ---- Asking the user ------------------------------------------------------------ */

OVEX_API int R_get_location_with_pointer(int *x, int *y, int *button);
OVEX_API int R_get_location_with_line(int cx, int cy, int *x, int *y, int *button);
OVEX_API int R_get_location_with_box(int cx, int cy, int *x, int *y, int *button);

/* ---- Panels and pads (only reported) ---------------------------------------------- */

OVEX_API int R_panel_save(const char *name, int top, int bottom, int left, int right);
OVEX_API int R_panel_delete(const char *name);
OVEX_API int R_panel_restore(const char *name);
OVEX_API int R_pad_perror(const char *message, int code);
OVEX_API int R_pad_append_item(const char *item, const char *value, int replace);
OVEX_API int R_pad_create(const char *pad);
OVEX_API int R_pad_current(char *name);
OVEX_API int R_pad_delete(void);
OVEX_API int R_pad_delete_item(const char *name);
OVEX_API int R_pad_freelist(char **list, int count);
OVEX_API int R_pad_get_item(const char *name, char ***list, int *count);
OVEX_API int R_pad_invent(char *pad);
OVEX_API int R_pad_list(char ***list, int *count);
OVEX_API int R_pad_select(const char *pad);
OVEX_API int R_pad_set_item(const char *name, const char *value);

/* ---- Stroke-font text --------------------------------------------------------------- */

OVEX_API int R_font(const char *name);
OVEX_API void R_text_size(int width, int height);
OVEX_API void R_text_rotation(double angle);           /* radians */
OVEX_API void R_text(const char *text);
OVEX_API void R_get_text_box(const char *text, int *top, int *bottom, int *left, int *right);
/* The names of the defined fonts, separated by commas, as far as they fit
 * in size characters; returns buffer. */
OVEX_API char *grassFont(char *buffer, int size);

/* ---- vask forms --------------------------------------------------------------------- */

OVEX_API int V_clear(void);
OVEX_API int V_line(int row, const char *text);
OVEX_API int V_const(void *variable, char type, int row, int col, int len);
OVEX_API int V_ques(void *variable, char type, int row, int col, int len);
OVEX_API int V_float_accuracy(int n);
OVEX_API int V_call(void);
OVEX_API int V_intrpt_GD_OK(void);
OVEX_API int V_intrpt_msg(const char *message);

#ifdef __cplusplus
}
#endif

#endif /* OVEX_GRASS_H */
