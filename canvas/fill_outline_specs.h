/*
 * fill_outline_specs.h --
 *
 *	Runs of configuration options shared by the filled item types
 *	(polygon, object), in the order they list them. OFF(field) gives a
 *	field's offset in the item's record.
 */
#ifndef OVEX_CANVAS_FILL_OUTLINE_SPECS_H
#define OVEX_CANVAS_FILL_OUTLINE_SPECS_H

/* The active, disabled and dash options. */
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

/* The background, join style and fill stipple offset. */
#define FILL_OUTLINE_BACKGROUND_SPECS(OFF) \
    {TK_CONFIG_COLOR, "-background", "background", "Background", NULL, OFF(outline.background), \
     TK_CONFIG_NULL_OK, NULL}, \
    {TK_CONFIG_SYNONYM, "-bg", "background", NULL, NULL, 0, 0, NULL}, \
    {TK_CONFIG_JOIN_STYLE, "-joinstyle", NULL, NULL, "round", OFF(joinStyle), TK_CONFIG_DONT_SET_DEFAULT, NULL}, \
    {TK_CONFIG_CUSTOM, "-offset", NULL, NULL, "0,0", OFF(tsoffset), TK_CONFIG_NULL_OK, &gcanvasIndexOffsetOption},

/* The outline stipple, smoothing, state, fill stipple, tags and width. */
#define FILL_OUTLINE_STYLE_SPECS(OFF) \
    {TK_CONFIG_BITMAP, "-outlinestipple", NULL, NULL, NULL, OFF(outline.stipple), TK_CONFIG_NULL_OK, NULL}, \
    {TK_CONFIG_CUSTOM, "-smooth", NULL, NULL, "0", OFF(smooth), TK_CONFIG_DONT_SET_DEFAULT, &gcanvasSmoothOption}, \
    {TK_CONFIG_INT, "-splinesteps", NULL, NULL, "12", OFF(splineSteps), TK_CONFIG_DONT_SET_DEFAULT, NULL}, \
    {TK_CONFIG_CUSTOM, "-state", NULL, NULL, NULL, OFF(header.state), TK_CONFIG_NULL_OK, &gcanvasStateOption}, \
    {TK_CONFIG_BITMAP, "-stipple", NULL, NULL, NULL, OFF(fillStipple), TK_CONFIG_NULL_OK, NULL}, \
    {TK_CONFIG_CUSTOM, "-tags", NULL, NULL, NULL, 0, TK_CONFIG_NULL_OK, &gcanvasTagsOption}, \
    {TK_CONFIG_CUSTOM, "-width", NULL, NULL, "1.0", OFF(outline.width), TK_CONFIG_DONT_SET_DEFAULT, \
     &gcanvasPixelOption},

#endif /* OVEX_CANVAS_FILL_OUTLINE_SPECS_H */
