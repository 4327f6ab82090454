# Building 300 string rows (label, entry, button, two spacers, packs,
# bindings and store elements) with str.create, beside a Tcl procedure that
# makes the same Tk calls and _comb assignments. Median of 5 rounds each,
# same run. Run by wish under Xvfb: bench/comb_build/run.sh BUILD_DIR
set build [lindex $argv 0]
set ovexAppScripts {}
load [file join $build libovex.so] Ovex
proc str.freeItem args {}
set count 300

# The Tcl peer: the same widgets, bindings and store elements, with the
# same checks and conditional steps as str.create (layout word, optional
# label and button, entry options applied after packing).
proc strPeer {w args} {
    global _comb
    if {[winfo exists $w]} {error "Path $w already exists!"}
    array set _comb [list $w,class str $w,cf-ent {} $w,cf-label {} $w,cf-btn {} \
        $w,cf-padx 0 $w,cf-pady 0 $w,cf-layout right]
    foreach {option value} $args {
        if {![info exists _comb($w,cf$option)]} {error "unknown option: $option $value"}
        set _comb($w,cf$option) $value
    }
    set side $_comb($w,cf-layout)
    if {$side ne "left" && $side ne "right"} {error "wrong layout - should be left or right"}
    set padx $_comb($w,cf-padx)
    set pady $_comb($w,cf-pady)
    frame $w -relief raise -bd 1
    bind $w <Destroy> [list comb.free $w]
    set _comb($w,w1) $w.1
    set _comb($w,w2) $w.2
    frame $w.1 -width 2
    pack $w.1 -side $side -padx $padx -pady $pady
    if {$_comb($w,cf-label) ne ""} {
        set _comb($w,-label) $w.label
        eval label $w.label -width 6 -relief flat -bd 1 -highlightthickness 0 $_comb($w,cf-label)
        bind $w.label <Destroy> "+str.freeItem $w -label"
        pack $w.label -side $side -fill both -padx $padx -pady $pady
    } else {
        unset _comb($w,cf-label)
    }
    set _comb($w,-ent) $w.ent
    entry $w.ent -width 12 -bd 1 -highlightthickness 0
    bind $w.ent <Destroy> "+str.freeItem $w -ent"
    pack $w.ent -side $side -expand 1 -fill both -padx $padx -pady $pady
    if {$_comb($w,cf-ent) ne ""} {
        eval $w.ent config $_comb($w,cf-ent)
    }
    if {$_comb($w,cf-btn) ne ""} {
        set _comb($w,-btn) $w.btn
        eval button $w.btn -width 6 -relief raise -bd 1 -padx 0 -pady 0 -highlightthickness 0 \
            $_comb($w,cf-btn)
        pack $w.btn -side $side -fill both -padx $padx -pady $pady
        bind $w.ent <Return> "eval \[$w.btn cget -command\]"
    } else {
        unset _comb($w,cf-btn)
    }
    frame $w.2 -width 2
    pack $w.2 -side $side -padx $padx -pady $pady
    return $w
}

# Milliseconds to build count rows into a fresh frame with creator.
proc buildRows {creator} {
    frame .host
    pack .host
    set us [lindex [time {
        for {set i 0} {$i < $::count} {incr i} {
            $creator .host.s$i -label {-text Name} -btn {-text Go -command {set x 1}}
            pack .host.s$i -side top -fill x
        }
    }] 0]
    destroy .host
    update
    return [expr {$us / 1000.0}]
}

proc median {values} {
    lindex [lsort -real $values] [expr {[llength $values] / 2}]
}

# Warm both paths once, then run the rounds, each side going first in
# every other round.
buildRows str.create
buildRows strPeer
set native {}
set peer {}
for {set round 0} {$round < 5} {incr round} {
    if {$round % 2} {
        lappend peer [buildRows strPeer]
        lappend native [buildRows str.create]
    } else {
        lappend native [buildRows str.create]
        lappend peer [buildRows strPeer]
    }
}
set n [median $native]
set p [median $peer]
puts [format "str.create x %d: %.1f ms; Tcl procedure with the same calls: %.1f ms; ratio %.2f (target <= 1.0)" \
    $count $n $p [expr {$n / $p}]]
exit
