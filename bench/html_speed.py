#!/usr/bin/env python3
"""Times the pages that cludemap -T html writes: writing them, opening them
from file:// in headless Chromium, and searching in them.

    html_speed.py --tool T --chromium C --chromedriver D --work DIR
                  [--boost DIR --include-path PATH] [--runs N]

Pages: Boost's asio, written in /usr/include with --query-compiler, and,
given --boost (bench/make_workloads.py's boost workload, scanned with
CLUDEMAP_INCLUDE_PATH=PATH), all of Boost, which gets the list view.

For each page, the best of N runs of:
  write        the tool's wall time;
  ready        from navigation start until the page's script has set up
               (the moment it marks the page ready);
  interactive  from navigation start until a search typed at the first
               chance after setup has its results on screen (the next frame
               after the answer is rendered);
  open         write + interactive.
And over every keystroke of a few queries typed one character at a time,
each keystroke's best of the N runs, the median and the largest of:
  search       from the input event to the results being on screen (the
               next rendered frame);
  handler      the page's own work on the input event alone.
"""
import argparse
import os
import pathlib
import statistics
import subprocess
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / 'src' / 'html'))
from headless_chromium import browser  # noqa: E402

# Watches, from before the page's own script runs, for the page marking
# itself ready, then types a search at the first chance and waits until its
# answer has been rendered: a frame's callbacks run before its layout and
# paint, and a task queued from them runs after.
TIMING_HOOK = """
window.__speed = {};
const afterFrame = (then) => requestAnimationFrame(() => setTimeout(then, 0));
new MutationObserver((_, observer) => {
  if (document.body.dataset.ready !== 'true') return;
  observer.disconnect();
  __speed.ready = performance.now();
  setTimeout(() => {
    const search = document.getElementById('search');
    search.value = 'hpp';
    search.dispatchEvent(new Event('input'));
    afterFrame(() => {
      __speed.interactive = performance.now();
      __speed.answered = !document.getElementById('results').hidden;
    });
  }, 0);
}).observe(document, {subtree: true, attributes: true,
                          attributeFilter: ['data-ready']});
"""

# Types arguments[0] one character at a time; for each keystroke, the time
# from the input event to the next rendered frame and the handler's time.
TYPE_QUERY = """
const [query, done] = arguments;
const search = document.getElementById('search');
const results = document.getElementById('results');
const shown = [], handler = [];
search.value = '';
search.dispatchEvent(new Event('input'));
let at = 0;
function next() {
  if (at === query.length) {
    done({shown, handler, count: document.getElementById('count').textContent});
    return;
  }
  search.value = query.slice(0, ++at);
  const start = performance.now();
  search.dispatchEvent(new Event('input'));
  handler.push(performance.now() - start);
  void results.offsetHeight;
  requestAnimationFrame(() => setTimeout(() => {
    shown.push(performance.now() - start);
    next();
  }, 0));
}
requestAnimationFrame(() => setTimeout(next, 0));
"""

QUERIES = ['socket_ops', 'detail/impl', 'hpp', 'x']


def write_page(tool, directory, args, output, env, runs):
    """Best wall time of the tool writing the page, in seconds."""
    best = float('inf')
    for _ in range(runs):
        if output.exists():
            output.unlink()
        start = time.perf_counter()
        subprocess.run([tool, '-T', 'html', '-o', str(output), *args], cwd=directory, env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        best = min(best, time.perf_counter() - start)
    return best


def open_page(driver, page):
    """(ready, interactive) in seconds from navigation start."""
    driver.get('about:blank')
    driver.get(page.as_uri())
    for _ in range(600):
        speed = driver.execute_script('return window.__speed')
        if speed and 'interactive' in speed:
            break
        time.sleep(0.1)
    else:
        sys.exit(f'{page}: the page never became interactive')
    if not speed['answered']:
        sys.exit(f'{page}: the first search showed no results')
    return speed['ready'] / 1000, speed['interactive'] / 1000


def search_times(driver):
    """Every keystroke's (shown, handler) times in milliseconds."""
    shown, handler = [], []
    for query in QUERIES:
        result = driver.execute_async_script(TYPE_QUERY, query)
        if not result['count']:
            sys.exit(f'the search for {query!r} counted nothing')
        shown += result['shown']
        handler += result['handler']
    return shown, handler


def measure(driver, name, page_args, runs):
    tool, directory, args, output, env = page_args
    write = write_page(tool, directory, args, output, env, runs)
    opened, shown, handler = [], [], []
    for _ in range(runs):
        opened.append(open_page(driver, output))
        times = search_times(driver)
        shown.append(times[0])
        handler.append(times[1])
    ready = min(r for r, _ in opened)
    interactive = min(i for _, i in opened)
    # Each keystroke's best run.
    shown = [min(run) for run in zip(*shown)]
    handler = [min(run) for run in zip(*handler)]
    view = 'list' if driver.execute_script(
        "return !document.querySelector('#view svg')") else 'picture'
    files = driver.execute_script(
        "return JSON.parse(document.getElementById('data').textContent).graph.files.length")
    return {'page': name, 'view': view, 'files': files,
            'MB': output.stat().st_size / 1e6, 'write': write, 'ready': ready,
            'interactive': interactive, 'open': write + interactive,
            'search': (statistics.median(shown), max(shown)),
            'handler': (statistics.median(handler), max(handler))}


def print_table(rows, runs):
    print(f'HTML page, best of {runs} runs; search and handler: median / max over the '
          f'keystrokes of {", ".join(QUERIES)}, each its best run:')
    print('| page  | view    |  files | page MB | write s | ready s | interactive s | '
          'open s | search ms     | handler ms    |')
    print('|-------|---------|--------|---------|---------|---------|---------------|'
          '--------|---------------|---------------|')
    for r in rows:
        print(f"| {r['page']:<5} | {r['view']:<7} | {r['files']:6d} | {r['MB']:7.1f} | "
              f"{r['write']:7.2f} | {r['ready']:7.2f} | {r['interactive']:13.2f} | "
              f"{r['open']:6.2f} | {r['search'][0]:5.1f} / {r['search'][1]:5.1f}"
              f" | {r['handler'][0]:5.1f} / {r['handler'][1]:5.1f} |")


# What each page must stay under: (figure, limit, unit); search in ms.
TARGETS = {'asio': [('write', 3, 's'), ('interactive', 2, 's'), ('search', 100, 'ms')],
           'boost': [('open', 60, 's')]}


def print_targets(rows):
    for r in rows:
        figures = []
        for figure, limit, unit in TARGETS[r['page']]:
            value = r[figure][1] if figure == 'search' else r[figure]
            name = 'search max' if figure == 'search' else figure
            verdict = 'under' if value < limit else 'MISSES'
            figures.append(f'{name} {value:.2f} {unit} ({verdict} {limit} {unit})')
        print(f"{r['page']}: " + ', '.join(figures))


def main():
    parser = argparse.ArgumentParser()
    for option in ['--tool', '--chromium', '--chromedriver', '--work']:
        parser.add_argument(option, required=True)
    parser.add_argument('--boost')
    parser.add_argument('--include-path', default='')
    parser.add_argument('--runs', type=int, default=3)
    arguments = parser.parse_args()
    work = pathlib.Path(arguments.work)
    tool = os.path.abspath(arguments.tool)
    pages = {'asio': (tool, '/usr/include', ['--query-compiler', 'boost/asio.hpp'],
                      work / 'asio.html', None)}
    if arguments.boost:
        env = dict(os.environ, CLUDEMAP_INCLUDE_PATH=arguments.include_path)
        pages['boost'] = (tool, arguments.boost, ['root.h'], work / 'boost.html', env)
    driver = browser(arguments.chromium, arguments.chromedriver)
    try:
        driver.set_script_timeout(120)
        driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': TIMING_HOOK})
        rows = [measure(driver, name, page, arguments.runs) for name, page in pages.items()]
    finally:
        driver.quit()
    for page in pages.values():
        page[3].unlink(missing_ok=True)
    print_table(rows, arguments.runs)
    print_targets(rows)


if __name__ == '__main__':
    main()
