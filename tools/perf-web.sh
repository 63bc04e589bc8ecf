#!/bin/sh
# Prints frames a second and the median main-thread milliseconds of a frame
# (the demo's animation-frame callback) for each part of the timeline
# in each engine: Chromium headless (SwiftShader), Firefox ESR and WebKitGTK's
# MiniBrowser headful on Xvfb with Mesa llvmpipe. The release page (dist/web,
# built by tools/build-web.sh when missing) plays muted from 0 s, 4 seconds
# from the start of each timeline part (PERF_SECONDS), reached by the demo's
# own seek; a part shorter than that runs on into the next.
# Engines run one after another; the machine's load is printed with them.
# Usage: tools/perf-web.sh [ENGINE...] (default: chromium firefox webkit)
set -eu
cd "$(dirname "$0")/.."
SECONDS_A_PART=${PERF_SECONDS:-4}
ENGINES=${*:-chromium firefox webkit}
[ -f dist/web/index.html ] || tools/build-web.sh
[ -d tests/web/node_modules ] || (cd tests/web && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)

PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$PORT" --bind 127.0.0.1 --directory dist/web >/dev/null 2>&1 &
SERVER=$!
trap 'kill $SERVER' EXIT INT TERM
until python3 -c "import socket; socket.create_connection(('127.0.0.1', $PORT))" 2>/dev/null; do sleep 0.1; done

# Every timeline part from its first frame (the page's frames name the part
# each is drawn in, a seek's first frame in the part it lands in).
STEPS="click wait:running frames:2 after:$SECONDS_A_PART"
for part in 1 2 3 4 5 6 7 8; do STEPS="$STEPS eval:Module._demoSeekTo(Module.page.parts[$part].first) after:$SECONDS_A_PART"; done

export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe PUPPETEER_SKIP_DOWNLOAD=1
for engine in $ENGINES; do
    load=$(cut -d' ' -f1 /proc/loadavg)
    # shellcheck disable=SC2086
    report=$(cd tests/web && xvfb-run -a -s "-screen 0 1280x1024x24" \
        node drive.mjs --engine="$engine" "http://127.0.0.1:$PORT/?mute&start=0" $STEPS)
    echo "$report" | awk -v engine="$engine" -v load="$load" '
        /^fps: / { n = split(substr($0, 6), f, " "); for (i = 1; i <= n; ++i) { split(f[i], kv, "="); name[i] = kv[1]; fps[kv[1]] = kv[2] } }
        /^busyMs: / { m = split(substr($0, 9), b, " "); for (i = 1; i <= m; ++i) { split(b[i], kv, "="); ms[kv[1]] = kv[2] } }
        /^firstFrameMs: / { first = $2 }
        /^problems: ./ { problems = substr($0, 11) }
        END {
            printf "%s (load %s, click to first frame %s ms)\n", engine, load, first
            printf "  %-24s %6s %15s\n", "part", "fps", "main-thread ms"
            for (i = 1; i <= n; ++i) printf "  %-24s %6s %15s\n", name[i], fps[name[i]], ms[name[i]]
            if (problems != "") printf "  problems: %s\n", problems
        }'
done
