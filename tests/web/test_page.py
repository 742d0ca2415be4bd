#!/usr/bin/env python3
"""The web build in a real browser: headless Chromium driven by Selenium, the page served by a
static server on 127.0.0.1 that the tests start and stop.

    test_page.py WEB_DIR BUILD_DIR [--measure]

WEB_DIR holds index.html, velloran.js and velloran.wasm; BUILD_DIR is a native build with
helper, velloran-script and tests/web/make_test_rom. --measure prints timings and memory instead
of testing.
"""
import http.server
import os
import re
import shutil
import socketserver
import subprocess
import sys
import tempfile
import threading
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.common.exceptions import TimeoutException
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select, WebDriverWait

CHROME_FLAGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                '--disable-background-networking', '--disable-component-update', '--disable-sync',
                '--window-size=1280,900']
WAIT_S = 30
TEST_ROM_MB = 16
MEASURE_ROM_MB = 64
SOLD_ROM_MB = 32
SPREAD_ALIGN = '0x200000'  # the sold image's files 2 MiB apart once decompressed: about 60 MiB
MIB = 1 << 20
WEB_DIR = BUILD_DIR = ''


# ---- The static server ----
# What python3 -m http.server serves, as the README tells users to serve the folder.
class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=WEB_DIR, **kwargs)

    def log_message(self, *args):
        pass


class Server:
    def __enter__(self):
        self.httpd = socketserver.ThreadingTCPServer(('127.0.0.1', 0), QuietHandler)
        self.url = 'http://127.0.0.1:%d/index.html' % self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()
        return self

    def __exit__(self, *args):
        self.httpd.shutdown()
        self.httpd.server_close()


# ---- The browser ----
class Browser:
    """A fresh profile and download folder; the page loaded and its first frame drawn."""

    def __init__(self, url, flags=()):
        self.profile = tempfile.mkdtemp(prefix='velloran-profile-')
        self.downloads = tempfile.mkdtemp(prefix='velloran-downloads-')
        options = webdriver.ChromeOptions()
        options.binary_location = '/usr/bin/chromium'
        for flag in CHROME_FLAGS + list(flags) + ['--user-data-dir=' + self.profile]:
            options.add_argument(flag)
        options.add_experimental_option('prefs', {
            'download.default_directory': self.downloads,
            'download.prompt_for_download': False,
            'profile.default_content_setting_values.automatic_downloads': 1})
        # The page asks before it replaces open work: yes, unless a test says otherwise.
        options.set_capability('unhandledPromptBehavior', 'accept')
        self.driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
        self.driver.execute_cdp_cmd('Page.setDownloadBehavior', {'behavior': 'allow', 'downloadPath': self.downloads})
        self.url = url
        self.load()

    def load(self):
        self.driver.get(self.url)
        self.wait_for(lambda: self.driver.execute_script('return window.velloranTimings.firstFrame') > 0)

    def close(self):
        self.driver.quit()
        shutil.rmtree(self.profile, ignore_errors=True)
        shutil.rmtree(self.downloads, ignore_errors=True)

    def wait_for(self, condition):
        return WebDriverWait(self.driver, WAIT_S, poll_frequency=0.05).until(lambda _: condition())

    def status(self):
        return self.driver.find_element(By.ID, 'status').text

    def wait_status(self, part):
        try:
            self.wait_for(lambda: part in self.status())
        except TimeoutException:
            raise AssertionError('waited for "%s"; the status says "%s"' % (part, self.status()))
        return self.status()

    def open_file(self, control, *paths):
        self.driver.find_element(By.ID, control).send_keys('\n'.join(paths))

    def press(self, control):
        self.driver.find_element(By.ID, control).click()

    def type_into_editor(self, text):
        self.driver.execute_script("document.getElementById('canvas').focus()")
        ActionChains(self.driver).send_keys(text).perform()
        time.sleep(0.3)  # a few frames take the keys

    def downloaded(self, name):
        """The bytes of a finished download, which is then removed."""
        path = os.path.join(self.downloads, name)
        self.wait_for(lambda: os.path.exists(path) and not any(n.endswith('.crdownload') for n in os.listdir(self.downloads)))
        with open(path, 'rb') as f:
            data = f.read()
        os.remove(path)
        return data


# ---- Native programs and files ----
def native(name):
    for sub in ('helper', 'script', 'tests/web'):
        path = os.path.join(BUILD_DIR, sub, name)
        if os.path.exists(path):
            return path
    raise FileNotFoundError(name)


def make_rom(path, megabytes, *options):
    subprocess.run([native('make_test_rom'), path, str(megabytes)] + list(options), check=True)


def run_native(args, cwd):
    # An empty search path: no outside checksum tool, helper computes the checksums itself.
    return subprocess.run(args, cwd=cwd, capture_output=True, text=True, env=dict(os.environ, PATH='/nonexistent'))


def read(path):
    with open(path, 'rb') as f:
        return f.read()


def download_pair(browser, folder):
    """The page's two message files, downloaded and written into folder for the native programs."""
    browser.press('download-files')
    os.makedirs(folder, exist_ok=True)
    pair = {}
    for name in ('table', 'nes_message_data_static'):
        pair[name] = browser.downloaded(name)
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(pair[name])
    return pair


class PageTests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = Server().__enter__()
        cls.work = tempfile.mkdtemp(prefix='velloran-web-test-')
        cls.rom = os.path.join(cls.work, 'game.z64')
        make_rom(cls.rom, TEST_ROM_MB)

    @classmethod
    def tearDownClass(cls):
        cls.server.__exit__()
        shutil.rmtree(cls.work, ignore_errors=True)

    def setUp(self):
        self.browser = Browser(self.server.url)

    def tearDown(self):
        self.browser.close()

    def test_edited_rom_matches_helper_and_survives_a_reload(self):
        b = self.browser
        self.assertIn('Open a ROM image', b.status())
        b.open_file('open-rom', self.rom)
        self.assertIn('successfully extracted', b.wait_status('extracted'))
        b.type_into_editor('Hello')
        b.press('download-rom')
        b.wait_status('injected')
        patched = b.downloaded('game.z64')
        native_dir = os.path.join(self.work, 'native')
        pair = download_pair(b, native_dir)
        self.assertIn(b'Hello', pair['nes_message_data_static'])
        self.assertNotEqual(patched, read(self.rom))

        # helper inject with the same files into the same image gives the same bytes.
        shutil.copy(self.rom, os.path.join(native_dir, 'game.z64'))
        run = run_native([native('helper'), 'inject', 'game.z64'], native_dir)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertTrue(read(os.path.join(native_dir, 'game.z64')) == patched, 'the page and helper disagree')

        # Typed but not yet saved: the reload keeps it, and the ROM image as well.
        b.type_into_editor(' again')
        b.load()
        b.wait_status('restored')
        b.press('download-files')
        kept = b.downloaded('nes_message_data_static')
        self.assertIn(b'Hello again', kept)
        self.assertEqual(len(b.downloaded('table')), len(pair['table']))
        b.press('download-rom')
        b.wait_status('injected')
        self.assertEqual(len(b.downloaded('game.z64')), len(patched))

        # Close forgets both: the next visit starts empty.
        b.press('close')
        self.assertEqual(b.status(), 'Closed')
        b.load()
        self.assertIn('Open a ROM image', b.status())
        b.press('download-rom')
        self.assertIn('No ROM image is open', b.status())

    def test_swapped_rom_is_refused_with_helpers_words(self):
        b = self.browser
        # While the editor has the focus, the browser keeps none of its keys; typed letters keep
        # their keypress.
        kept = b.driver.execute_script('''
            const canvas = document.getElementById('canvas');
            canvas.focus();
            return arguments[0].map(([key, ctrl]) => {
              const e = new KeyboardEvent('keydown', { key: key, ctrlKey: ctrl, bubbles: true, cancelable: true });
              canvas.dispatchEvent(e);
              return e.defaultPrevented;
            });''', [[k, True] for k in 'szgjy'] + [[k, False] for k in ('Escape', 'PageUp', 'PageDown', 'Home', 'End', 'a')])
        self.assertEqual(kept, [True] * 10 + [False])
        swapped = os.path.join(self.work, 'swapped.z64')
        make_rom(swapped, TEST_ROM_MB, '--swapped')
        run = run_native([native('helper'), 'extract', swapped], self.work)
        self.assertEqual(run.returncode, 4)
        b.open_file('open-rom', swapped)
        b.wait_for(lambda: not b.status().startswith('Reading') and not b.status().startswith('Extracting'))
        self.assertEqual(b.status(), run.stderr.strip())
        b.press('download-rom')
        self.assertIn('No ROM image is open', b.status())
        self.assertEqual(os.listdir(b.downloads), [])

    def test_rom_as_sold_gives_its_decompressed_form_with_the_chosen_text(self):
        b = self.browser
        sold = os.path.join(self.work, 'sold.z64')
        make_rom(sold, 2, '--sold', '--release', 'pal-1.0')
        b.open_file('open-rom', sold)
        self.assertIn('pal-1.0, compressed (as sold); texts: English, German, French, credits', b.wait_status('extracted'))
        choice = Select(b.driver.find_element(By.ID, 'text'))
        self.assertTrue(b.driver.find_element(By.ID, 'text').is_displayed())
        self.assertEqual([o.text for o in choice.options], ['English', 'German', 'French', 'Credits'])
        table_size = "return Module.FS.stat('/work/table').size"

        # Declined: the English files and the choice stay.
        b.driver.execute_script('window.keptConfirm = window.confirm; window.confirm = () => false')
        choice.select_by_visible_text('German')
        self.assertEqual((choice.first_selected_option.text, b.driver.execute_script(table_size)), ('English', 2116 * 8))
        b.driver.execute_script('window.confirm = window.keptConfirm')

        choice.select_by_visible_text('German')
        b.wait_status('extracted')
        self.assertEqual(b.driver.execute_script(table_size), 2115 * 8)
        b.type_into_editor('Xy')
        b.press('download-rom')
        self.assertIn('decompressed', b.wait_status('injected'))
        patched = b.downloaded('sold-decompressed.z64')
        native_dir = os.path.join(self.work, 'sold-native')
        pair = download_pair(b, native_dir)
        self.assertIn(b'Xy', pair['nes_message_data_static'])

        # helper decompress, then helper inject of the same files as the German text.
        for args in (['decompress', sold, 'out.z64'], ['inject', 'out.z64', '--language', 'de']):
            run = run_native([native('helper')] + args, native_dir)
            self.assertEqual(run.returncode, 0, run.stderr)
        self.assertTrue(read(os.path.join(native_dir, 'out.z64')) == patched, 'the page and helper disagree')

        # A reload keeps the choice with the files: the same image again.
        b.load()
        b.wait_status('restored')
        self.assertEqual(Select(b.driver.find_element(By.ID, 'text')).first_selected_option.text, 'German')
        b.press('download-rom')
        b.wait_status('injected')
        self.assertTrue(b.downloaded('sold-decompressed.z64') == patched, 'the German text was not kept')

        # Past the German text's room: helper's refusal, and no image left behind or offered.
        b.type_into_editor('z' * 250)
        pair = download_pair(b, native_dir)
        run = run_native([native('helper'), 'inject', 'out.z64', '--language', 'de'], native_dir)
        self.assertEqual(run.returncode, 4)
        b.press('download-rom')
        b.wait_for(lambda: not b.status().startswith('Decompressing'))
        self.assertEqual(b.status(), run.stderr.strip())
        self.assertEqual(b.driver.execute_script("return Module.FS.readdir('/out')"), ['.', '..'])
        self.assertEqual(os.listdir(b.downloads), [])

    def test_check_lists_what_the_program_finds(self):
        b = self.browser
        # The sample is made to fit: the page's check and the strict native one find nothing.
        b.press('try')
        b.wait_status('sample')
        b.press('check')
        self.assertEqual(b.wait_status('Check:'), 'Check: nothing found')
        self.assertEqual(b.driver.find_elements(By.CSS_SELECTOR, '#findings li'), [])
        sample_dir = os.path.join(self.work, 'sample')
        download_pair(b, sample_dir)
        run = run_native([native('velloran-script'), 'check', '--strict'], sample_dir)
        self.assertEqual((run.returncode, run.stdout, run.stderr), (0, '', ''))

        # The test image's text has lines too wide for their boxes: the same list as the program's.
        b.open_file('open-rom', self.rom)
        b.wait_status('extracted')
        b.press('check')
        self.assertIn('findings are listed', b.wait_status('Check:'))
        shown = [li.text for li in b.driver.find_elements(By.CSS_SELECTOR, '#findings li')]
        native_dir = os.path.join(self.work, 'check')
        download_pair(b, native_dir)
        run = run_native([native('velloran-script'), 'check'], native_dir)
        self.assertEqual(run.returncode, 1)
        self.assertEqual(shown, run.stdout.splitlines())
        # A click on a finding goes to its box: what is typed then starts the first box of the
        # first message with that ID (found here in the downloaded table).
        item = next(li for li in b.driver.find_elements(By.CSS_SELECTOR, '#findings li')
                    if re.match(r'ID [0-9A-F]{4} box 1 ', li.text) and not li.text.startswith('ID 0001 '))
        wanted = int(item.text[3:7], 16)
        item.click()
        b.type_into_editor('#')
        pair = download_pair(b, native_dir)
        table, data = pair['table'], pair['nes_message_data_static']
        entry = next(table[e:e + 8] for e in range(0, len(table), 8) if int.from_bytes(table[e:e + 2], 'big') == wanted)
        self.assertEqual(data[int.from_bytes(entry[5:8], 'big')], ord('#'))

    def test_files_and_script_open_again_as_they_were_saved(self):
        b = self.browser
        b.press('try')
        b.wait_status('sample')
        b.type_into_editor('Round trip')
        b.press('download-files')
        saved = {name: b.downloaded(name) for name in ('table', 'nes_message_data_static')}
        b.press('download-script')
        b.wait_status('Exported')
        script = b.downloaded('messages.txt')
        for name, content in list(saved.items()) + [('messages.txt', script)]:
            with open(os.path.join(b.profile, name), 'wb') as f:
                f.write(content)
        paths = [os.path.join(b.profile, name) for name in ('table', 'nes_message_data_static', 'messages.txt')]

        for control, files, said in (('open-files', paths[:2], 'Opened'), ('open-script', paths[2:], 'imported')):
            b.press('close')
            b.open_file(control, *files)
            b.wait_status(said)
            b.press('download-files')
            self.assertEqual({name: b.downloaded(name) for name in saved}, saved, control)

        # A script with an error is refused with the program's own lines; the open pair stays.
        broken = os.path.join(b.profile, 'broken.txt')
        with open(broken, 'wb') as f:
            f.write(script.replace(b'{end}\n', b'{nonsense}\n', 1)) # a message's end, not the header's words
        b.open_file('open-script', broken)
        self.assertIn('broken.txt has errors', b.wait_status('has errors'))
        self.assertRegex(b.status(), r'broken\.txt:\d+:\d+: ')
        b.press('download-files')
        self.assertEqual(b.downloaded('nes_message_data_static'), saved['nes_message_data_static'])

        # A browser that refuses to keep the work: the page says so.
        b.driver.execute_script("Storage.prototype.setItem = function () { throw new Error('quota'); }")
        b.press('try')
        self.assertIn('could not be kept', b.wait_status('quota'))


# ---- Measurements (not assertions) ----
# The page's own memory: the wasm heap, and the files of the in-memory file system (the storage
# each holds, which grows ahead of the bytes written).
MEMORY_SCRIPT = '''
    const FS = Module.FS;
    let files = 0;
    for (const dir of ['/work', '/rom', '/out', '/incoming'])
      for (const name of FS.readdir(dir)) {
        const node = FS.lookupPath(dir + '/' + name).node;
        if (FS.isFile(node.mode) && node.contents) files += node.contents.length;
      }
    return [Module.HEAP8.length, files];'''


def renderer_pids(browser):
    """The browser's renderer processes (below chromedriver)."""
    parents = {}
    for pid in filter(str.isdigit, os.listdir('/proc')):
        try:
            with open('/proc/%s/stat' % pid) as f:
                parents[int(pid)] = int(f.read().rsplit(')', 1)[1].split()[1])
        except OSError:
            pass
    below, found = {browser.driver.service.process.pid}, True
    while found:
        found = False
        for pid, parent in parents.items():
            if parent in below and pid not in below:
                below.add(pid)
                found = True
    renderers = []
    for pid in below:
        try:
            with open('/proc/%d/cmdline' % pid, 'rb') as f:
                if b'--type=renderer' in f.read():
                    renderers.append(pid)
        except OSError:
            pass
    return renderers


def resident(pid, field):
    """VmRSS or VmHWM (the peak since the last reset) of a process, in bytes."""
    with open('/proc/%d/status' % pid) as f:
        return next(int(line.split()[1]) * 1024 for line in f if line.startswith(field + ':'))


def reset_peak(pids):
    for pid in pids:
        with open('/proc/%d/clear_refs' % pid, 'w') as f:
            f.write('5')


def measure_sold(url, rom, runs, shot=None):
    """Opening an image as sold and downloading its decompressed form with the edit in it, in a
    fresh browser whose garbage is collected before and after each download."""
    name = os.path.basename(rom)[:-4] + '-decompressed.z64'
    browser = Browser(url, ['--js-flags=--expose-gc'])
    try:
        renderers = renderer_pids(browser)

        def collected():
            browser.driver.execute_script('gc()')
            return max(resident(pid, 'VmRSS') for pid in renderers)
        opens, works, downloads, residents = [], [], [], []
        for _ in range(runs):
            start = time.monotonic()
            browser.open_file('open-rom', rom)
            browser.wait_status('extracted')
            opens.append(time.monotonic() - start)
            before = collected()
            reset_peak(renderers)
            start = time.monotonic()
            browser.press('download-rom')
            browser.wait_status('injected')
            works.append(time.monotonic() - start)
            size = len(browser.downloaded(name))
            downloads.append(time.monotonic() - start)
            peak = max(resident(pid, 'VmHWM') for pid in renderers)
            residents.append('%d, %d, %d' % (before // MIB, peak // MIB, collected() // MIB))
        heap, files = browser.driver.execute_script(MEMORY_SCRIPT)
        if shot:
            browser.driver.save_screenshot(shot)
    finally:
        browser.close()
    print('%d MiB image as sold, %d MiB decompressed: opening (s) %s; decompressing and injecting (s) %s, '
          'until the file is downloaded %s' % (os.path.getsize(rom) // MIB, size // MIB,
          ', '.join('%.2f' % t for t in opens), ', '.join('%.2f' % t for t in works),
          ', '.join('%.2f' % t for t in downloads)))
    print('    memory afterwards: wasm heap %d MiB, files %d MiB; the renderer resident before the download, '
          'at its peak, after it (MiB): %s' % (heap // MIB, files // MIB, '; '.join(residents)))


def measure():
    work = tempfile.mkdtemp(prefix='velloran-web-measure-')
    rom = os.path.join(work, 'big.z64')
    make_rom(rom, MEASURE_ROM_MB)
    # Padded to its size: a sold image whose files are small, decompressed to a small image; and
    # one whose files lie far apart once decompressed, as big as the game's (its files still small).
    padded, spread = os.path.join(work, 'padded.z64'), os.path.join(work, 'spread.z64')
    make_rom(padded, SOLD_ROM_MB, '--sold', '--release', 'pal-1.0')
    make_rom(spread, SOLD_ROM_MB, '--sold', '--release', 'pal-1.0', '--align', SPREAD_ALIGN)
    with Server() as server:
        browser = Browser(server.url)
        try:
            cold = browser.driver.execute_script('return window.velloranTimings.firstFrame')
            loads = []
            for _ in range(3):
                browser.load()
                loads.append(browser.driver.execute_script('return window.velloranTimings.firstFrame'))
            browser.press('try')
            browser.type_into_editor('Measured frames ')
            time.sleep(2)
            frames = sorted(browser.driver.execute_script('return window.velloranTimings.frames.slice(5)'))
            opens = []
            for _ in range(3):
                start = time.monotonic()
                browser.open_file('open-rom', rom)
                browser.wait_status('extracted')
                opens.append(time.monotonic() - start)
            start = time.monotonic()
            browser.press('download-rom')
            browser.wait_status('injected')
            inject = time.monotonic() - start
            browser.downloaded('big.z64')
            print('page load to first frame (ms): first visit %.0f; again ' % cold + ', '.join('%.0f' % t for t in loads))
            print('frame time (ms): median %.2f, 95th %.2f, max %.2f over %d frames' % (
                frames[len(frames) // 2], frames[len(frames) * 95 // 100], frames[-1], len(frames)))
            print('opening a %d MB ROM image (s): ' % MEASURE_ROM_MB + ', '.join('%.2f' % t for t in opens))
            print('injecting into it and offering the download (s): %.2f' % inject)
            browser.driver.save_screenshot(os.path.join(os.environ.get('VELLORAN_SHOT_DIR', work), 'page.png'))
        finally:
            browser.close()
        measure_sold(server.url, padded, 1)
        measure_sold(server.url, spread, 3, os.path.join(os.environ.get('VELLORAN_SHOT_DIR', work), 'sold.png'))
    shutil.rmtree(work, ignore_errors=True)


if __name__ == '__main__':
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    WEB_DIR, BUILD_DIR = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if '--measure' in sys.argv[3:]:
        measure()
    else:
        unittest.main(argv=[sys.argv[0], '-v'] + sys.argv[3:])
