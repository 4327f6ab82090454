# Runs a projection program command with console output caught:
# {stdout stderr exitCode tclCode result}.
proc runProgram {command args} {
    set ::caughtOut {}
    set ::caughtErr {}
    rename ::puts ::realPuts
    proc ::puts args {
        set text [lindex $args end]
        if {[llength $args] > 1 && [lindex $args end-1] eq "stderr"} {
            append ::caughtErr $text
        } else {
            append ::caughtOut $text
            if {[lindex $args 0] ne "-nonewline"} {append ::caughtOut \n}
        }
    }
    set code [catch {$command {*}$args} result]
    rename ::puts {}
    rename ::realPuts ::puts
    list $::caughtOut $::caughtErr [proj.exitCode] $code $result
}

proc writeFile {name text} {
    set path [file join [ovexTempDir] $name]
    set f [open $path w]
    puts -nonewline $f $text
    close $f
    return $path
}
