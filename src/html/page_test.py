#!/usr/bin/env python3
"""Loads pages that cludemap -T html writes in headless Chromium, from file://:
the page runs without console errors or requests, search, selection and views
agree with the tool's -T json, and hostile header names stay text."""
import argparse
import collections
import json
import os
import pathlib
import subprocess
import sys
import tempfile

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

from headless_chromium import browser


def write(directory, files):
    for name, text in files.items():
        path = os.path.join(os.fsencode(directory), os.fsencode(name))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as out:
            out.write(text.encode() if isinstance(text, str) else text)


def includes(*names):
    return ''.join(f'#include {name}\n' for name in names)


def project(directory):
    """top.h -> a0..a5 -> b0..b7 -> c.h -> a0.h (a cycle), a system
    header, and gone.h, missing, included twice."""
    files = {'top.h': includes(*[f'"a{i}.h"' for i in range(6)], '<s0.h>', '"gone.h"'),
             'c.h': includes('"a0.h"'), 'sys/s0.h': includes('<s1.h>'), 'sys/s1.h': ''}
    for i in range(6):
        files[f'a{i}.h'] = includes(*[f'"b{(i + j) % 8}.h"' for j in range(3)])
    files['a2.h'] += includes('"gone.h"')
    for k in range(8):
        files[f'b{k}.h'] = includes('"c.h"')
    write(directory, files)
    return ['-isystem', 'sys', 'top.h']


HOSTILE = ['"<script>window.pwned=1</script>.h"', '"</script><script>window.pwned=2</script>.h"',
           '"<!--.h"', '<a\'b"c&amp;d.h>', '"<img src=x onerror=\'window.pwned=3\'>.h"',
           '"`${window.pwned=4}`.h"', '"\u2028\u2029.h"', '"x' + 'y' * 9997 + '.h"']


def hostile(directory):
    names = [name[1:-1].encode() for name in HOSTILE[:-1]] + [b'\xff\xfe.h']
    write(directory, {name: '' for name in names})
    write(directory, {'top.h': includes(*HOSTILE).encode() + b'#include "\xff\xfe.h"\n'})
    return ['-I', '.', 'top.h']


def run(tool, directory, args, output):
    result = subprocess.run([tool, '-T', output.suffix[1:], '-o', str(output), *args],
                            cwd=directory, capture_output=True, check=True)
    assert not result.stderr, result.stderr  # such as a sanitizer's report
    return result.stdout.decode(errors='replace')


def load(driver, page):
    """Opens the page; fails on console errors and on any request but the page's."""
    url = page.as_uri()
    driver.get(url)
    ready = 'return document.body.dataset.ready'
    WebDriverWait(driver, 20).until(lambda d: d.execute_script(ready))
    errors = [entry for entry in driver.get_log('browser') if entry['level'] != 'INFO']
    assert not errors, errors
    requests = [json.loads(entry['message'])['message'] for entry in driver.get_log('performance')]
    urls = {r['params']['request']['url'] for r in requests
            if r['method'] == 'Network.requestWillBeSent'}
    assert urls <= {url}, urls
    assert driver.execute_script("return performance.getEntriesByType('resource').length") == 0


def files_in(driver, css):
    return driver.execute_script(
        'return [...document.querySelectorAll(arguments[0])].map(e => +e.dataset.file)', css)


def texts(driver, css):
    return driver.execute_script(
        'return [...document.querySelectorAll(arguments[0])].map(e => e.textContent)', css)


def marked(driver, css):
    return sorted(driver.execute_script(
        'return [...document.querySelectorAll(arguments[0])].map(n => +n.id.slice(1))', css))


def repeat_lines(driver, css):
    return driver.execute_script(
        'return document.querySelector(arguments[0]).getAttribute("d") || ""', css).count('M')


def centred(driver, css):
    """Whether the element's box is in the middle of the picture."""
    return driver.execute_script("""const r = document.querySelector(arguments[0])
        .getBoundingClientRect(), v = document.querySelector('#view svg').getBoundingClientRect();
        return Math.abs(r.x + r.width / 2 - v.x - v.width / 2) < 1 &&
          Math.abs(r.y + r.height / 2 - v.y - v.height / 2) < 1""", css)


def check_selection(driver, graph, index, centre=True):
    files = graph['files']
    file = files[index]
    includers = [i for i, other in enumerate(files) if index in other['includes']]
    chain = [index]
    while files[chain[0]]['via'] is not None:
        chain.insert(0, files[chain[0]]['via'])
    assert [files_in(driver, f'#{id} .file') for id in ['includes', 'includers', 'chain']] == [
        file['includes'], includers, chain]
    assert [marked(driver, f'#view .node.{c}') for c in ['include', 'includer']] == [
        sorted(file['includes']), includers]
    assert [repeat_lines(driver, f'#view .repeat.{c}') for c in ['include', 'includer']] == [
        sum(files[to]['via'] != index for to in file['includes']),
        sum(i != file['via'] for i in includers)]
    panel = texts(driver, '#path, #kind, #size, #closure, #reached')
    def counts(figures, *words):
        return ', '.join(f'{figures[w]:,} {w[:-1] if figures[w] == 1 else w}' for w in words)
    assert panel[0] == file['path'] and ('system header' in panel[1]) == file['system'], panel
    assert panel[1].startswith('found' if file['found'] else 'missing'), panel
    assert panel[2:] == [counts(file, 'bytes', 'lines'),
                         counts(file['closure'], 'files', 'bytes', 'lines'),
                         counts({'files': file['reachedFrom']}, 'files')], panel
    assert centred(driver, f'#f{index}') == centre


def view_box(driver):
    return [float(v) for v in driver.execute_script(
        "return document.querySelector('#view svg').getAttribute('viewBox')").split()]


def under(driver, x, y):
    """The drawing's point under the window's pixel (x, y)."""
    return driver.execute_script("""const svg = document.querySelector('#view svg');
        const p = new DOMPoint(arguments[0], arguments[1]).matrixTransform(
          svg.getScreenCTM().inverse());
        return [p.x, p.y]""", x, y)


def pinch(driver, x, y, start, end):
    """Two fingers at (x +- start, y) move apart to (x +- end, y)."""
    for kind, spread in [('touchStart', start), *(('touchMove', spread) for spread in range(
            start, end + 1, 20)), ('touchEnd', 0)]:
        points = [{'x': x - spread, 'y': y, 'id': 0}, {'x': x + spread, 'y': y, 'id': 1}]
        driver.execute_cdp_cmd('Input.dispatchTouchEvent',
                               {'type': kind, 'touchPoints': points if spread else []})


def check_project(driver, directory, tool, screenshot):
    args = project(directory)
    run(tool, directory, args, directory / 'out.json')
    graph = json.loads((directory / 'out.json').read_text())
    stdout = run(tool, directory, args, directory / 'out.html')
    load(driver, directory / 'out.html')
    paths = [file['path'] for file in graph['files']]
    b3 = paths.index(str((directory / 'b3.h').resolve()))

    search = driver.find_element(By.ID, 'search')
    search.send_keys('b3')
    assert files_in(driver, '#results .file') == [b3]
    assert marked(driver, '#view .node.match') == [b3]
    driver.find_element(By.CSS_SELECTOR, '#results .file').click()
    check_selection(driver, graph, b3)
    search.clear()
    search.send_keys('GONE', Keys.ENTER)
    gone = paths.index('gone.h')
    check_selection(driver, graph, gone)
    assert marked(driver, '#view .node.missing') == [gone]
    c = paths.index(str((directory / 'c.h').resolve()))
    driver.find_element(By.ID, 'fit').click()
    box = driver.find_element(By.CSS_SELECTOR, f'#f{c} text')
    ActionChains(driver).move_to_element(box).click().perform()
    check_selection(driver, graph, c, centre=False)

    warnings = collections.Counter(stdout.splitlines())
    shown = texts(driver, '#warning-list li')
    assert sorted(shown) == sorted(f'{w}  \u00d7{n}' if n > 1 else w for w, n in warnings.items())

    driver.find_element(By.ID, 'fit').click()
    fitted = view_box(driver)
    assert centred(driver, '#view .graph > polygon')
    driver.find_element(By.ID, 'view').send_keys('+')
    zoomed = view_box(driver)
    assert zoomed[2] < fitted[2]
    view = driver.find_element(By.ID, 'view')
    ActionChains(driver).drag_and_drop_by_offset(view, 50, 0).perform()
    assert view_box(driver)[0] < zoomed[0]
    driver.find_element(By.ID, 'view').send_keys('0')
    assert view_box(driver) == fitted
    pointed = under(driver, 300, 300)
    driver.execute_script("""document.querySelector('#view svg').dispatchEvent(new WheelEvent(
        'wheel', {deltaY: -200, clientX: 300, clientY: 300, bubbles: true, cancelable: true}))""")
    assert view_box(driver)[2] < fitted[2]
    assert max(abs(a - b) for a, b in zip(under(driver, 300, 300), pointed)) < 0.5
    driver.find_element(By.ID, 'fit').click()
    pinch(driver, 300, 300, 40, 120)
    assert view_box(driver)[2] < fitted[2] / 2

    driver.find_element(By.ID, 'repeats').click()
    assert repeat_lines(driver, '#view .repeat') == sum(
        1 for at, file in enumerate(graph['files']) for to in file['includes']
        if graph['files'][to]['via'] != at)
    background = 'return getComputedStyle(document.body).backgroundColor'
    assert driver.execute_script(background) == 'rgb(255, 255, 255)'
    driver.execute_cdp_cmd('Emulation.setEmulatedMedia', {
        'features': [{'name': 'prefers-color-scheme', 'value': 'dark'}]})
    assert driver.execute_script(background) == 'rgb(15, 18, 23)'
    driver.execute_cdp_cmd('Emulation.setEmulatedMedia', {'features': []})

    driver.save_screenshot(str(screenshot))
    driver.find_element(By.ID, 'system').click()
    driver.find_element(By.ID, 'depth').send_keys('1')
    assert marked(driver, '#view .node.hidden') == [
        i for i, f in enumerate(graph['files']) if f['system'] or (f['depth'] or 0) > 1]


def check_hostile(driver, directory, tool):
    args = hostile(directory)
    run(tool, directory, args, directory / 'out.html')
    load(driver, directory / 'out.html')
    state = driver.execute_script("""return {
        pwned: 'pwned' in window, scripts: document.scripts.length, images: document.images.length,
        handlers: [...document.querySelectorAll('*')].filter(e =>
          [...e.attributes].some(a => a.name.startsWith('on'))).length,
        boxes: [...document.querySelectorAll('#view .node text')].map(t => t.textContent),
        labels: JSON.parse(document.getElementById('data').textContent).labels}""")
    labels = state.pop('labels')
    boxes = state.pop('boxes')
    assert state == {'pwned': False, 'scripts': 2, 'images': 0, 'handlers': 0}, state
    names = [name[1:-1] for name in HOSTILE[:-1]] + ['\ufffd\ufffd.h']
    assert set(names) < set(labels), labels
    cut = [box for box in boxes if '\u2026' in box]
    assert sorted(set(boxes) - set(cut)) == sorted(label for label in labels if len(label) <= 80)
    assert len(cut) == 1 and len(cut[0]) == 79
    assert cut[0].startswith('xyy') and cut[0].endswith('y.h')
    search = driver.find_element(By.ID, 'search')
    for name in names:
        search.clear()
        search.send_keys(name)
        results = texts(driver, '#results .file')
        assert name in results, name
        driver.find_elements(By.CSS_SELECTOR, '#results .file')[results.index(name)].click()
        assert texts(driver, '#path')[0].endswith(name), name


def check_list_view(driver, directory, tool):
    """Too many files for a picture: the page lists them."""
    names = [f'h{i}.h' for i in range(5001)]
    write(directory, {name: '' for name in names})
    write(directory, {'top.h': includes(*[f'"{name}"' for name in names])})
    run(tool, directory, ['top.h'], directory / 'out.html')
    load(driver, directory / 'out.html')
    assert not driver.find_elements(By.CSS_SELECTOR, '#view svg')
    assert '5002 files' in driver.find_element(By.ID, 'note').text
    driver.find_element(By.CSS_SELECTOR, '#outline .toggle').click()
    assert files_in(driver, '#outline .file') == list(range(5002))
    driver.find_elements(By.CSS_SELECTOR, '#outline .file')[7].click()
    assert driver.find_element(By.ID, 'path').text == str((directory / 'h6.h').resolve())
    assert files_in(driver, '#includers .file') == [0]
    assert files_in(driver, '#chain .file') == [0, 7]
    driver.find_element(By.ID, 'search').send_keys('h4999', Keys.ENTER)
    assert driver.find_element(By.ID, 'path').text == str((directory / 'h4999.h').resolve())


def main():
    parser = argparse.ArgumentParser()
    for option in ['--tool', '--chromium', '--chromedriver', '--screenshot']:
        parser.add_argument(option, required=True)
    arguments = parser.parse_args()
    driver = browser(arguments.chromium, arguments.chromedriver)
    try:
        with tempfile.TemporaryDirectory() as scratch:
            place = {name: pathlib.Path(scratch, name) for name in ['project', 'hostile', 'list']}
            for directory in place.values():
                directory.mkdir()
            check_project(driver, place['project'], arguments.tool,
                          pathlib.Path(arguments.screenshot))
            check_hostile(driver, place['hostile'], arguments.tool)
            check_list_view(driver, place['list'], arguments.tool)
    finally:
        driver.quit()
    print('page test: passed')


if __name__ == '__main__':
    sys.exit(main())
