#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""scripts/graph-probe on loopback: where it reads the token, what it never sends the token to, what
it scrubs, and its comparison of a recording with the emulator's demo account."""

import http.server
import importlib.machinery
import importlib.util
import json
import os
import plistlib
import re
import stat
import subprocess
import sys
import tempfile
import threading
import unittest

PROBE = os.environ["RZ_GRAPH_PROBE"]
EMULATOR = os.environ["RZ_GRAPH_EMULATOR"]
FIXTURE = os.environ["RZ_DEMO_FIXTURE"]


def load_probe():
    loader = importlib.machinery.SourceFileLoader("graph_probe", PROBE)
    spec = importlib.util.spec_from_loader("graph_probe", loader)
    module = importlib.util.module_from_spec(spec)
    loader.exec_module(module)
    return module


probe = load_probe()


class Recorder(http.server.BaseHTTPRequestHandler):
    """Answers every GET as the server's `answer` says and keeps the Authorization headers seen."""

    def do_GET(self):
        self.server.seen.append(self.headers.get("Authorization"))
        status, headers = self.server.answer
        self.send_response(status)
        for name, value in headers.items():
            self.send_header(name, value)
        self.send_header("Content-Type", "application/json")
        self.end_headers()
        self.wfile.write(b'{"value": []}')

    def log_message(self, *args):
        pass


def serve(answer):
    server = http.server.HTTPServer(("127.0.0.1", 0), Recorder)
    server.seen = []
    server.answer = answer
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def write_settings(folder, values):
    path = os.path.join(folder, "velaapp.plist")
    with open(path, "wb") as handle:
        plistlib.dump(values, handle)
    return path


class GraphProbeTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.folder = self.dir.name

    def tearDown(self):
        self.dir.cleanup()

    def test_the_token_comes_from_the_file_when_there_else_from_the_keyring(self):
        data = os.path.join(self.folder, "data")
        os.mkdir(data)
        bin_dir = os.path.join(self.folder, "bin")
        os.mkdir(bin_dir)
        asked = os.path.join(self.folder, "asked")
        fake = os.path.join(bin_dir, "secret-tool")
        with open(fake, "w") as handle:
            handle.write('#!/bin/sh\necho "$@" >> %s\n'
                         '[ "$*" = "lookup server RedoZevuviva user OnlineOneNoteAccessToken@%s" ] && '
                         'printf keyring-token\n' % (asked, data))
        os.chmod(fake, stat.S_IRWXU)
        old_path = os.environ["PATH"]
        os.environ["PATH"] = bin_dir + os.pathsep + old_path
        try:
            in_file = write_settings(data, {"OnlineOneNoteAccessToken": "file-token"})
            self.assertEqual(probe.agent_token(in_file, {"OnlineOneNoteAccessToken": "file-token"}), "file-token")
            self.assertFalse(os.path.exists(asked))
            self.assertEqual(probe.agent_token(in_file, {"OnlineOneNoteUserId": "u"}), "keyring-token")
            other = os.path.join(self.folder, "other")
            os.mkdir(other)
            self.assertEqual(probe.agent_token(write_settings(other, {}), {}), "")
        finally:
            os.environ["PATH"] = old_path

    def test_a_redirect_is_recorded_and_never_followed_with_the_token(self):
        elsewhere = serve((200, {}))
        graph = serve((302, {"Location": "http://127.0.0.1:%d/stolen" % elsewhere.server_port}))
        try:
            root = "http://127.0.0.1:%d" % graph.server_port
            run = probe.Probe(root, "secret-token", "u", self.folder, quiet=True)
            self.assertIsNone(run.send("notebooks", root + "/v1.0/me/onenote/notebooks"))
            with open(os.path.join(self.folder, "01-notebooks.json")) as handle:
                self.assertEqual(json.load(handle)["status"], 302)
            self.assertEqual(graph.seen, ["Bearer secret-token"])
            self.assertEqual(elsewhere.seen, [])
        finally:
            for server in (graph, elsewhere):
                server.shutdown()
                server.server_close()

    def test_plain_http_is_refused_off_this_machine(self):
        cases = [("https://graph.microsoft.com", "https://graph.microsoft.com"),
                 ("https://graph.microsoft.com/", "https://graph.microsoft.com"),
                 ("http://127.0.0.1:8080", "http://127.0.0.1:8080"),
                 ("http://[::1]:8080", "http://[::1]:8080"),
                 ("http://graph.microsoft.com", None),
                 ("http://127.0.0.1.example.org", None),
                 ("https://user@graph.microsoft.com", None),
                 ("https://graph.microsoft.com/v1.0", None),
                 ("ftp://graph.microsoft.com", None)]
        for root, usable in cases:
            self.assertEqual(probe.usable_root(root), usable, root)
        settings = write_settings(self.folder, {"OnlineOneNoteAccessToken": "t", "OnlineOneNoteUserId": "u",
                                                "GraphEndpoint": "http://graph.example.org"})
        out = subprocess.run([sys.executable, PROBE, os.path.join(self.folder, "out"), "--settings", settings],
                             capture_output=True, text=True, check=False)
        self.assertEqual(out.returncode, 1)
        self.assertFalse(os.path.exists(os.path.join(self.folder, "out")))

    def test_names_addresses_sites_and_page_texts_are_scrubbed(self):
        scrubber = probe.Scrubber(["tok"])
        answer = {
            "@odata.context": "https://graph.microsoft.com/v1.0/$metadata#users('ada.lovelace%40contoso.com')/onenote",
            "@odata.nextLink": "https://graph.microsoft.com/v1.0/users/ada.lovelace@contoso.com/onenote/pages?$skip=20",
            "error": {"code": "20102", "message": "Not found for bob.smith@fabrikam.org"},
            "sectionsUrl": "https://graph.microsoft.com/v1.0/sites/contoso.sharepoint.com,1a2b,3c4d/onenote/notebooks/1-x/sections",
            "links": {"oneNoteWebUrl": {"href": "https://contoso-my.sharepoint.com/personal/ada_contoso_com/x"}},
            "webUrl": "https://contoso-my.sharepoint.com/personal/ada_contoso_com/Documents/Notes",
            "createdBy": "Ada Lovelace",
        }
        scrubber.learn(answer)
        text = json.dumps(scrubber.tree(answer))
        for secret in ("ada.lovelace", "bob.smith", "contoso", "fabrikam", "1a2b", "3c4d", "ada_contoso_com",
                       "Ada Lovelace"):
            self.assertNotIn(secret, text)
        page = probe.PageScrubber(scrubber)
        page.feed('<p>caf&#233; &#x263A; &eacute;&amp;</p><img alt="Whiteboard of Q3 plans" '
                  'data-original-src="https://contoso.example/q3.png" src="https://graph/x"/>'
                  '<object data-attachment="Budget 2025.xlsx" data="https://graph/r" type="application/vnd"/>')
        page.close()
        markup = "".join(page.out)
        for secret in ("caf", "233", "263A", "eacute", "Whiteboard", "q3.png", "Budget"):
            self.assertNotIn(secret, markup)
        self.assertIn("&amp;", markup)


class GraphProbeCompareTest(unittest.TestCase):
    """A recording of the emulator's demo account compared with the emulator itself."""

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        folder = cls.dir.name
        with open(FIXTURE, encoding="utf-8") as handle:
            fixture = json.load(handle)
        fixture["tokens"]["accessTokens"] = ["recording-token"]
        copy = os.path.join(folder, "fixture.json")
        with open(copy, "w", encoding="utf-8") as handle:
            json.dump(fixture, handle)
        process, root = probe.start_emulator(EMULATOR, copy)
        assert process is not None
        try:
            settings = write_settings(folder, {"OnlineOneNoteAccessToken": "recording-token",
                                               "OnlineOneNoteUserId": fixture["user"]["id"],
                                               "GraphEndpoint": root})
            cls.recording = os.path.join(folder, "recording")
            subprocess.run([sys.executable, PROBE, cls.recording, "--settings", settings], check=True,
                           capture_output=True)
        finally:
            process.terminate()
            process.wait()
            process.stdout.close()

    @classmethod
    def tearDownClass(cls):
        cls.dir.cleanup()

    def compare(self, recording):
        return subprocess.run([sys.executable, PROBE, "--compare", recording, "--emulator", EMULATOR,
                               "--fixture", FIXTURE], capture_output=True, text=True, check=False)

    def test_the_emulators_own_recording_shows_no_difference(self):
        out = self.compare(self.recording)
        self.assertEqual(out.returncode, 0, out.stdout)
        self.assertIn("0 of ", out.stdout)
        self.assertIn("hierarchy: same", out.stdout)

    def test_each_hand_made_change_is_shown(self):
        altered = os.path.join(self.dir.name, "altered")
        os.mkdir(altered)
        for entry in os.listdir(self.recording):
            with open(os.path.join(self.recording, entry), encoding="utf-8") as handle:
                record = json.load(handle)
            if re.fullmatch(r"\d+-notebooks\.json", entry):
                record["status"] = 403
            if entry.endswith("-hierarchy.json"):
                for notebook in record["answer"]["value"]:
                    notebook["name"] = notebook.pop("displayName")
                record["answer"]["value"][0]["isDefault"] = "yes"
                record["answer"]["@odata.nextLink"] = "<link-0>"
            with open(os.path.join(altered, entry), "w", encoding="utf-8") as handle:
                json.dump(record, handle)
        out = self.compare(altered)
        self.assertEqual(out.returncode, 3, out.stdout)
        for line in ("status: recorded 403, emulator 200", "only recorded: value[].name",
                     "only the emulator: value[].displayName",
                     "kind of value[].isDefault: recorded boolean/string, emulator boolean",
                     "paging: recorded a next link, emulator one answer", "2 of "):
            self.assertIn(line, out.stdout)


if __name__ == "__main__":
    unittest.main()
