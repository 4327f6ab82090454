/*
 * fill_outline_specs.h --
 *
 *	The configuration options for the active, disabled and dashed
 *	outline and fill shared by the filled item types (polygon, object),
 *	in the order they list them. OFF(field) gives a field's offset in
 *	the item's record.
 */
#ifndef OVEX_CANVAS_FILL_OUTLINE_SPECS_H
#define OVEX_CANVAS_FILL_OUTLINE_SPECS_H

#define FILL_OUTLINE_STATE_SPECS(OFF) \
    {TK_CONFIG_CUSTOM, "-activedash", NULL, NULL, NULL, OFF(outline.activeDash), TK_CONFIG_NULL_OK, \
     &gcanvasDashOption}, \
    {TK_CONFIG_COLOR, "-activefill", NULL, NULL, NULL, OFF(activeFillColor), TK_CONFIG_NULL_OK, NULL}, \
    {TK_CONFIG_COLOR, "-activeoutline", NULL, NULL, NULL, OFF(outline.activeColor), TK_CONFIG_NULL_OK, NULL}, \
    {TK_CONFIG_BITMAP, "-activeoutlinestipple", NULL, NULL, NULL, OFF(outline.activeStipple), TK_CONFIG_NULL_OK, \
     NULL}, \
    {TK_CONFIG_BITMAP, "-activestipple", NULL, NULL, NULL, OFF(activeFillStipple), TK_CONFIG_NULL_OK, NULL}, \
    {TK_CONFIG_CUSTOM, "-activewidth", NULL, NULL, "0.0", OFF(outline.activeWidth), TK_CONFIG_DONT_SET_DEFAULT, \
     &gcanvasPixelOption}, \
    {TK_CONFIG_CUSTOM, "-dash", NULL, NULL, NULL, OFF(outline.dash), TK_CONFIG_NULL_OK, &gcanvasDashOption}, \
    {TK_CONFIG_PIXELS, "-dashoffset", NULL, NULL, "0", OFF(outline.offset), TK_CONFIG_DONT_SET_DEFAULT, NULL}, \
    {TK_CONFIG_CUSTOM, "-disableddash", NULL, NULL, NULL, OFF(outline.disabledDash), TK_CONFIG_NULL_OK, \
     &gcanvasDashOption}, \
    {TK_CONFIG_COLOR, "-disabledfill", NULL, NULL, NULL, OFF(disabledFillColor), TK_CONFIG_NULL_OK, NULL}, \
    {TK_CONFIG_COLOR, "-disabledoutline", NULL, NULL, NULL, OFF(outline.disabledColor), TK_CONFIG_NULL_OK, NULL}, \
    {TK_CONFIG_BITMAP, "-disabledoutlinestipple", NULL, NULL, NULL, OFF(outline.disabledStipple), \
     TK_CONFIG_NULL_OK, NULL}, \
    {TK_CONFIG_BITMAP, "-disabledstipple", NULL, NULL, NULL, OFF(disabledFillStipple), TK_CONFIG_NULL_OK, NULL}, \
    {TK_CONFIG_CUSTOM, "-disabledwidth", NULL, NULL, "0.0", OFF(outline.disabledWidth), \
     TK_CONFIG_DONT_SET_DEFAULT, &gcanvasPixelOption},

#endif /* OVEX_CANVAS_FILL_OUTLINE_SPECS_H */
