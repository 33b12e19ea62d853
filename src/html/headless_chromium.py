"""Headless Chromium through Debian's chromium-driver and python3-selenium,
started alike by the page's test, its benchmark and tools/screenshot-page."""
from selenium import webdriver
from selenium.webdriver.chrome.service import Service


def browser(chromium, chromedriver, extra_arguments=()):
    """A driver whose console messages and network events can be read back."""
    options = webdriver.ChromeOptions()
    options.binary_location = chromium
    for argument in ['--headless=new', '--no-sandbox', '--disable-gpu', '--window-size=1280,800',
                     '--disable-dev-shm-usage', *extra_arguments]:
        options.add_argument(argument)
    options.set_capability('goog:loggingPrefs', {'browser': 'ALL', 'performance': 'ALL'})
    return webdriver.Chrome(service=Service(chromedriver), options=options)
