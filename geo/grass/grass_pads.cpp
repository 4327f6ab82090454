/*
 * grass_pads.cpp --
 *
 *	The panel and pad functions of the GRASS raster interface. The
 *	virtual display keeps no panels or pads: each call is only reported
 *	on standard error, so that a module's use of them shows.
 */
#include <stdio.h>

#include "ovex/grass.h"

extern "C" int R_panel_save(const char *name, int top, int bottom, int left, int right)
{
    ovex_fprintf(stderr, "R_panel_save: %s %d %d %d %d\n", name ? name : "", top, bottom, left,
                 right);
    return 0;
}

extern "C" int R_panel_delete(const char *name)
{
    ovex_fprintf(stderr, "R_panel_delete: %s\n", name ? name : "");
    return 0;
}

extern "C" int R_panel_restore(const char *name)
{
    ovex_fprintf(stderr, "R_panel_resotr: %s\n", name ? name : "");
    return 0;
}

extern "C" int R_pad_perror(const char *message, int code)
{
    static const char *const texts[] = {
        "", "out of memory", "pad not found", "no current pad", "item not found",
        "DUPLICATE name", "ILLEGAL request",
    };
    const char *text = code >= 0 && code <= 6 ? texts[code] : "unknown error";
    if (message == NULL) {
        message = "";
    }
    ovex_fprintf(stderr, "%s%s%s\n", message, message[0] != '\0' ? " : " : "", text);
    return 0;
}

static int reportPad(const char *line)
{
    ovex_fputs(line, stderr);
    return 0;
}

extern "C" int R_pad_append_item(const char *, const char *, int)
{
    return reportPad("R_pad_append_item...\n");
}

extern "C" int R_pad_create(const char *)
{
    return reportPad("R_pad_create...\n");
}

extern "C" int R_pad_current(char *)
{
    return reportPad("R_pad_current...\n");
}

extern "C" int R_pad_delete(void)
{
    return reportPad("P_pad_delete...\n");
}

extern "C" int R_pad_delete_item(const char *)
{
    return reportPad("P_pad_delete_item...\n");
}

extern "C" int R_pad_freelist(char **, int)
{
    return reportPad("R_pad_freelist...\n");
}

extern "C" int R_pad_get_item(const char *, char ***, int *)
{
    return reportPad("R_pad_get_item...\n");
}

extern "C" int R_pad_invent(char *)
{
    return reportPad("R_pad_invent...\n");
}

extern "C" int R_pad_list(char ***, int *)
{
    return reportPad("R_pad_list...\n");
}

extern "C" int R_pad_select(const char *)
{
    return reportPad("R_pad_select...\n");
}

extern "C" int R_pad_set_item(const char *, const char *)
{
    return reportPad("R_pad_set_item...\n");
}
