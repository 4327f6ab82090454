# Shared set-up of the composite-widget suites: the library, a minimal
# application script library (the procedures the widgets call), and capture
# of what the library writes on standard output and standard error.
source [file join [file dirname [info script]] .. .. testlib.tcl]
ovexLoad
wm geometry . +0+0

# Console writes arrive as puts to stdout or stderr; while a script runs
# under captured they are recorded instead of written.
rename puts combRealPuts
set ::capturing 0
proc puts args {
    set words $args
    set newline \n
    if {[lindex $words 0] eq "-nonewline"} {
        set words [lrange $words 1 end]
        set newline {}
    }
    if {[llength $words] == 1} {
        set words [list stdout [lindex $words 0]]
    }
    if {$::capturing && [llength $words] == 2 && [lindex $words 0] in {stdout stderr}} {
        append ::out([lindex $words 0]) [lindex $words 1]$newline
        return
    } else {
        combRealPuts {*}$args
    }
}

# Runs script; returns {code result stdout stderr}.
proc captured {script} {
    array set ::out {stdout {} stderr {}}
    set ::capturing 1
    set code [catch {uplevel 1 $script} result]
    set ::capturing 0
    list $code $result $::out(stdout) $::out(stderr)
}

# The application's procedures, as small as the widgets allow.
proc _image.get {name args} {
    if {$name ni [image names]} {
        image create bitmap $name -data "#define i_width 8\n#define i_height 4\nstatic char i_bits\[\] = {\n0x18,0x3c,0x7e,0xff};"
    }
}
foreach p {comb.freeItem frm.freeItem str.freeItem popup.freeItem fold.freeItem
           gbtn.freeItem fold.freePage fold.info num.bindChange pal.update pal.set
           pdl.selList pdl.closeList pdl.abort} {
    proc $p args {}
}
proc fold.winconfig w {fold.page $w}
proc num.get w {[comb.get $w -ent] get}
proc num.set {w v} {
    set e [comb.get $w -ent]
    $e delete 0 end
    $e insert 0 $v
}
proc slis.setList {w items} {
    [comb.get $w -list] insert end {*}$items
}

# Element names of path in the store (its own fields only).
proc storeOf {path} {
    lsort [array names ::_comb [string map {* \\* ? \\? [ \\[ ] \\]} $path],*]
}

# Destroys the windows made by a test and lets the after-idle frees run.
proc cleanWidgets {} {
    foreach w [winfo children .] {destroy $w}
    update
}

# True when errorInfo holds text (a command's trace follows the message).
proc infoHas {text} {
    expr {[string first $text $::errorInfo] >= 0}
}
