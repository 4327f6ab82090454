# Timing helpers shared by the drawing drivers of bench/rows.py
# (gcanvas_vs_tk.tcl, tulx_view.tcl), sourced by both sides of a row.

# Runs what is pending for display, then waits for a round trip to the X
# server, so that a timed step ends with its drawing done.
proc drawn {} {
    update idletasks
    winfo pointerx .
}

# The median of a list of numbers.
proc median {values} {
    set s [lsort -real $values]
    set k [llength $s]
    expr {$k % 2 ? [lindex $s [expr {$k / 2}]]
          : ([lindex $s [expr {$k / 2 - 1}]] + [lindex $s [expr {$k / 2}]]) / 2.0}
}
