#!/usr/bin/env bash
# The load benchmark: builds the site (./web build), serves it as ./web does (tools/web/serve.py)
# and runs Lighthouse on it with its mobile preset (a slow 4G network and a CPU slowed 4 times)
# in Debian's Chromium, headless. Prints the four scores, the time to interactive, the total
# blocking time and the bytes transferred, each the median of the runs, beside the figures measured
# before the site was made smaller and quicker to start, and the main thread's long tasks of the
# median run. A benchmark: it asserts nothing.
# Lighthouse comes from npm, pinned by tools/web/lighthouse/package-lock.json and installed there
# (npm ci) on first use; ./test never installs it.
# Usage: tools/web/lighthouse.sh [RUNS]     (default 3)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-3}
tool=$root/tools/web/lighthouse

"$root/tools/install_packages.sh" chromium nodejs
# Installed once per lock file: a copy of the lock installed is kept beside the packages.
if ! cmp -s "$tool/package-lock.json" "$tool/node_modules/installed-lock.json"; then
    (cd "$tool" && npm ci --no-audit --no-fund --loglevel=error)
    cp "$tool/package-lock.json" "$tool/node_modules/installed-lock.json"
fi
"$root/web" build >/dev/null

work=$(mktemp -d)
server=
trap '[[ -n $server ]] && kill "$server"; rm -rf "$work"' EXIT
/usr/bin/python3 "$root/tools/web/serve.py" "$root/build-web/site" >"$work/address" 2>/dev/null &
server=$!
for _ in $(seq 100); do
    [[ -s $work/address ]] && break
    sleep 0.1
done
address=$(sed -n 's|.* at \(http://[^ ]*\)$|\1|p' "$work/address")

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "Lighthouse $(node "$tool/node_modules/lighthouse/cli/index.js" --version), $(chromium --version)"
for run in $(seq "$runs"); do
    echo "run $run of $runs..."
    CHROME_PATH=/usr/bin/chromium node "$tool/node_modules/lighthouse/cli/index.js" "$address" \
        --quiet --output=json --output-path="$work/run$run.json" \
        --chrome-flags="--headless=new --no-sandbox" ||
        echo "run $run: Lighthouse reported an error; the figures it measured still count"
done

/usr/bin/python3 - "$work"/run*.json <<'EOF'
import json
import statistics
import sys

reports = [json.load(open(path)) for path in sys.argv[1:]]
# A run that could not score a category (a failed page load, say) is left out.
reports = [r for r in reports if all(c['score'] is not None for c in r['categories'].values())]
if not reports:
    sys.exit('No run was scored.')
# Figure, how it is read from a report, its unit, the figure before, the goal.
FIGURES = [
    ('Performance', lambda r: r['categories']['performance']['score'] * 100, '', 76, '>= 90'),
    ('Accessibility', lambda r: r['categories']['accessibility']['score'] * 100, '', 100, '100'),
    ('Best Practices', lambda r: r['categories']['best-practices']['score'] * 100, '', 100,
     '100'),
    ('SEO', lambda r: r['categories']['seo']['score'] * 100, '', 90, '100'),
    ('Time to interactive', lambda r: r['audits']['interactive']['numericValue'] / 1000, ' s',
     15.8, ''),
    ('Total blocking time', lambda r: r['audits']['total-blocking-time']['numericValue'], ' ms',
     1020, '<= 300 ms'),
    ('Transferred', lambda r: r['audits']['total-byte-weight']['numericValue'] / 1024, ' KiB',
     2701, '<= 800 KiB'),
]


def shown(value, unit):
    return ('{:,.1f}' if unit == ' s' else '{:,.0f}').format(value) + unit


print('\n%-22s %12s %12s %12s' % ('Figure', 'Before', 'Now', 'Goal'))
for name, read, unit, before, goal in FIGURES:
    now = statistics.median(read(report) for report in reports)
    print('%-22s %12s %12s %12s' % (name, shown(before, unit), shown(now, unit), goal))

# The run whose performance score is the median one, for its long tasks.
ordered = sorted(reports, key=lambda r: r['categories']['performance']['score'])
median = ordered[len(ordered) // 2]
print('\nLong main-thread tasks of the median run (simulated slow CPU):')
for task in median['audits'].get('long-tasks', {}).get('details', {}).get('items', []):
    print('  %7.0f ms at %7.0f ms  %s' % (task['duration'], task['startTime'], task['url']))
print('\nBytes per file (transferred):')
for item in median['audits']['network-requests']['details']['items']:
    print('  %9s  %s' % ('{:,}'.format(item.get('transferSize', 0)), item['url']))
EOF
