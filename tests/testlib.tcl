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

# Every suite runs in a scratch folder of its own under the system's
# temporary folder, removed at the end: files a test names without a folder
# land there, never in the source tree or beside another suite's files,
# wherever the suite is started from.
set ::ovexScratch [file join \
    [expr {[info exists ::env(TMPDIR)] && [file isdirectory $::env(TMPDIR)] ? $::env(TMPDIR) : "/tmp"}] \
    ovex-suite-[pid]-[clock clicks]]
file mkdir $::ovexScratch
cd $::ovexScratch
::tcltest::configure -tmpdir $::ovexScratch

# A scratch folder of the suite, inside the suite's folder.
proc ovexTempDir {} {
    if {![info exists ::ovexTmp]} {
        set ::ovexTmp [file join $::ovexScratch tmp]
        file mkdir $::ovexTmp
    }
    return $::ovexTmp
}

proc ovexTestsDone {} {
    set failed $::tcltest::numTests(Failed)
    cd [file dirname $::ovexScratch]
    file delete -force $::ovexScratch
    # Under Tk, cleanupTests ends with a bare exit (status 0); hold it back so
    # that the status below reports the failures.
    rename ::exit ::ovexRealExit
    proc ::exit {args} {}
    ::tcltest::cleanupTests
    rename ::exit {}
    rename ::ovexRealExit ::exit
    exit [expr {$failed ? 1 : 0}]
}

# The answer of a rimage program that failed after printing message on
# standard error: "Exec error from rimage WORD", then ": " and the message
# on one line (its last four non-blank lines, each trimmed, joined by a
# space after a line ending in . ! ? : ; and by ": " otherwise).
proc programFailure {word message} {
    set lines {}
    foreach line [split $message \n] {
        set line [string trim $line]
        if {$line ne ""} {lappend lines $line}
    }
    set answer "Exec error from rimage $word"
    if {[llength $lines] == 0} {return $answer}
    set joined {}
    foreach line [lrange $lines end-3 end] {
        if {$joined ne ""} {
            append joined [expr {[string index $joined end] in {. ! ? : ;} ? " " : ": "}]
        }
        append joined $line
    }
    return "$answer: $joined"
}
