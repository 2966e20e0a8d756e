"""The test page's reports: a small HTTP listener on loopback that collects what the page sends."""

import json
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


class PageReports:
    """Collects JSON reports POSTed to http://127.0.0.1:<port>/report; a context manager."""

    def __init__(self):
        self._reports = []
        self._lock = threading.Lock()
        reports, lock = self._reports, self._lock

        class Handler(BaseHTTPRequestHandler):
            def do_POST(self):
                length = int(self.headers.get("Content-Length", "0"))
                body = self.rfile.read(length)
                try:
                    report = json.loads(body)
                except ValueError:
                    report = {"type": "unreadable", "body": body.decode("utf-8", "replace")}
                with lock:
                    reports.append(report)
                self.send_response(204)
                self.send_header("Access-Control-Allow-Origin", "*")
                self.end_headers()

            def log_message(self, *args):
                pass

        self._server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.port = self._server.server_address[1]
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._server.shutdown()
        self._server.server_close()
        return False

    def all(self):
        with self._lock:
            return list(self._reports)

    def of_type(self, kind):
        return [r for r in self.all() if r.get("type") == kind]

    def wait_for(self, predicate, timeout=30):
        """The first report for which predicate holds, or None when none comes in time."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for report in self.all():
                if predicate(report):
                    return report
            time.sleep(0.05)
        return None

    def page(self, title="Test login page", which=""):
        """A login page that reports its address (and which copy it is) and every key event it
        receives."""
        return f"""<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>{title}</title></head>
<body>
<input id="field" autofocus style="font-size: 20px; width: 400px">
<script>
function report(data) {{
  fetch("http://127.0.0.1:{self.port}/report",
        {{method: "POST", mode: "no-cors", body: JSON.stringify(data)}});
}}
for (const kind of ["keydown", "keyup", "keypress"]) {{
  document.addEventListener(kind, e => report({{
    type: kind, key: e.key, code: e.code, repeat: e.repeat, shift: e.shiftKey,
    ctrl: e.ctrlKey, alt: e.altKey, target: document.activeElement ? document.activeElement.id : ""
  }}), true);
}}
document.getElementById("field").focus();
report({{type: "load", href: location.href, search: location.search, which: {json.dumps(which)},
         focus: document.activeElement ? document.activeElement.id : ""}});
</script>
</body></html>
"""

    def scrolling_page(self, width=6000, height=6000):
        """A login page far larger than the screen that reports its load, with its sizes, and
        every scroll of its view."""
        return f"""<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Large test page</title></head>
<body style="margin: 0">
<div id="content" style="width: {width}px; height: {height}px;
            background: linear-gradient(135deg, #fff, #88f)"></div>
<script>
function report(data) {{
  fetch("http://127.0.0.1:{self.port}/report",
        {{method: "POST", mode: "no-cors", body: JSON.stringify(data)}});
}}
window.addEventListener("scroll", () => report({{type: "scroll", x: scrollX, y: scrollY}}));
report({{type: "load", href: location.href, innerWidth: innerWidth, innerHeight: innerHeight,
         contentWidth: document.getElementById("content").offsetWidth,
         contentHeight: document.getElementById("content").offsetHeight}});
</script>
</body></html>
"""
