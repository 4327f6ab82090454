# Shared set-up of the Tcl suites: tcltest, the built library, and an exit
# status that reflects failures (tcltest alone exits 0 under wish).
package require tcltest 2
namespace import ::tcltest::*

set ::ovexBuildDir $::env(OVEX_BUILD_DIR)
set ::ovexLib [file join $::ovexBuildDir libovex.so]
set ::ovexTestData [expr {[info exists ::env(OVEX_TEST_DATA)] ? $::env(OVEX_TEST_DATA) : ""}]

# Loads the library into the current interpreter without any script library,
# unless the caller already chose ovexAppScripts.
proc ovexLoad {} {
    if {![info exists ::ovexAppScripts]} {set ::ovexAppScripts {}}
    load $::ovexLib Ovex
}

# A scratch folder of the suite, removed at the end.
proc ovexTempDir {} {
    if {![info exists ::ovexTmp]} {
        set ::ovexTmp [file join [::tcltest::temporaryDirectory] ovex-[pid]-[clock clicks]]
        file mkdir $::ovexTmp
    }
    return $::ovexTmp
}

proc ovexTestsDone {} {
    set failed $::tcltest::numTests(Failed)
    if {[info exists ::ovexTmp]} {file delete -force $::ovexTmp}
    # Under Tk, cleanupTests ends with a bare exit (status 0); hold it back so
    # that the status below reports the failures.
    rename ::exit ::ovexRealExit
    proc ::exit {args} {}
    ::tcltest::cleanupTests
    rename ::exit {}
    rename ::ovexRealExit ::exit
    exit [expr {$failed ? 1 : 0}]
}
