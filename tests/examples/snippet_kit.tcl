# Shared by the snippet suites: the snippet files of examples/snippets,
# the pages that show them (README.md and docs/*.md), and a runner that
# runs snippets the way a reader does, from a folder that looks like the
# source folder (build/ and examples/ linked in) in a child tclsh or wish.

set ::sourceDir $::env(OVEX_SOURCE_DIR)
set ::snippetDir [file join $::sourceDir examples snippets]

# Every snippet, the interpreter it needs, and the pages that must show it.
# setup.tcl runs before each of the others, as the README says.
set ::snippetTable {
    setup       tclsh {README.md}
    geotiff     tclsh {README.md docs/images.md}
    tulx_label  wish  {README.md docs/display.md}
    gcanvas_map wish  {README.md docs/canvas.md}
    proj_points tclsh {README.md docs/geospatial.md}
    shapefile   tclsh {README.md docs/geospatial.md}
    projection_meanings tclsh {docs/geospatial.md}
    dem_3d      wish  {README.md docs/3d.md}
    print_pdf   wish  {README.md docs/widgets.md}
    ddw_view    wish  {docs/display.md}
}

proc readText {path} {
    set f [open $path r]
    set text [read $f]
    close $f
    return $text
}

proc snippetFile {name} {file join $::snippetDir $name.tcl}

# The pages: README.md and every page under docs/, as source-relative names.
proc pageNames {} {
    set pages {README.md}
    foreach path [lsort [glob -nocomplain -directory [file join $::sourceDir docs] *.md]] {
        lappend pages docs/[file tail $path]
    }
    return $pages
}

# The contents of the ```tcl fenced blocks of a page, each with its final
# newline, as a snippet file holds it.
proc tclBlocks {page} {
    set blocks {}
    set inside 0
    foreach line [split [readText [file join $::sourceDir $page]] \n] {
        if {!$inside && $line eq "```tcl"} {
            set inside 1
            set block ""
        } elseif {$inside && $line eq "```"} {
            set inside 0
            lappend blocks $block
        } elseif {$inside} {
            append block $line \n
        }
    }
    return $blocks
}

# A folder that looks like the source folder to the snippets: examples/
# is the source's, and build/ holds links to everything in the build folder
# under test, so that the package loads from it while the results
# (build/first-steps) stay in this suite's scratch folder.
proc snippetWorkDir {} {
    set work [file join [ovexTempDir] clone]
    if {![file exists $work]} {
        file mkdir [file join $work build]
        foreach entry [glob -nocomplain -directory $::ovexBuildDir *] {
            if {[file tail $entry] eq "first-steps"} continue
            file link -symbolic [file join $work build [file tail $entry]] $entry
        }
        file link -symbolic [file join $work examples] [file join $::sourceDir examples]
    }
    return $work
}

# Where the snippets write their results.
proc snippetOutDir {} {file join [snippetWorkDir] build first-steps}

# Runs setup.tcl, then the named snippets, then epilogue in a child of the
# given interpreter (tclsh or wish); answers what they printed. A failure
# of any of them fails the run with its error information.
proc runSnippets {interp names {epilogue {}}} {
    set work [snippetWorkDir]
    set runner [file join [ovexTempDir] run-[join $names -]-[clock clicks].tcl]
    set f [open $runner w]
    puts $f [list cd $work]
    puts $f [list set ::snippetFiles [lmap name [concat setup $names] {snippetFile $name}]]
    puts $f [list set ::epilogue $epilogue]
    puts $f {
        set code [catch {
            foreach ::snippetFile $::snippetFiles {source $::snippetFile}
            uplevel #0 $::epilogue
        } message]
        if {$code == 1} {
            puts stderr "$::snippetFile: $::errorInfo"
            exit 1
        }
        exit 0
    }
    close $f
    # The suites that run them are themselves tclsh or wish.
    if {$interp ne [expr {[info commands tk] ne "" ? "wish" : "tclsh"}]} {
        error "a $interp snippet run from the other interpreter"
    }
    return [exec [info nameofexecutable] $runner 2>@1]
}

proc snippetNames {} {
    lmap {name interp pages} $::snippetTable {set name}
}
