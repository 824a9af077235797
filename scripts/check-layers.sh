#!/usr/bin/env bash
# The folder shows the layer. Fails when a core file (any file of app/,
# table/, files/ or analysis/ outside a gui/ folder) includes a widget or
# chart header of Qt, or a header from a gui/ folder, or a header of a
# higher subsystem than its own (app < table < files < analysis).
set -euo pipefail
cd "$(dirname "$0")/.."

headers=$(qtpaths6 --query QT_INSTALL_HEADERS 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt6)
modules="QtWidgets QtCharts QtOpenGLWidgets QtSvgWidgets QtPrintSupport"
widgetHeaders=$(for m in $modules; do echo "$m"; ls "$headers/$m" 2>/dev/null || true; done)

mapfile -t core < <(git ls-files -co --exclude-standard -- 'app/*' 'table/*' 'files/*' 'analysis/*' |
                      grep -v '/gui/' | grep -E '\.(cpp|h|inc)$')
[ ${#core[@]} -eq 0 ] && exit 0

grep -HnE '^[[:space:]]*#[[:space:]]*include' "${core[@]}" |
  awk -v widgets="$widgetHeaders" '
    BEGIN {
      n = split(widgets, list, "\n")
      for (i = 1; i <= n; ++i) widget[list[i]] = 1
      rank["app"] = 0; rank["table"] = 1; rank["files"] = 2; rank["analysis"] = 3
      status = 0
    }
    {
      split($0, part, ":")
      file = part[1]; line = part[2]
      match($0, /[<"][^>"]+[>"]/)
      target = substr($0, RSTART + 1, RLENGTH - 2)
      own = file; sub(/\/.*/, "", own)
      if (substr($0, RSTART, 1) == "<") {
        name = target; sub(/.*\//, "", name)
        module = target; sub(/\/.*/, "", module)
        if (widget[name] || (target ~ /\// && widget[module])) {
          printf "%s:%s: a core file includes the widget header <%s>\n", file, line, target
          status = 1
        }
        next
      }
      if (target ~ /(^|\/)gui\//) {
        printf "%s:%s: a core file includes the window header \"%s\"\n", file, line, target
        status = 1
      }
      theirs = target; sub(/\/.*/, "", theirs)
      if (target ~ /\// && (theirs in rank) && rank[theirs] > rank[own]) {
        printf "%s:%s: %s/ includes \"%s\" of a higher subsystem\n", file, line, own, target
        status = 1
      }
    }
    END {
      if (status)
        print "Core files include only core files of their own or a lower subsystem (app < table < files < analysis); window code goes to its subsystem'\''s gui/ folder." > "/dev/stderr"
      exit status
    }'
