/* The shared library is linked from the ovex_objs archive; this empty unit
 * only gives the linker a target of its own. */
