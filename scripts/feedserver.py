#!/usr/bin/env python3
"""Serves a folder of the bank's rate files on loopback, under the bank's paths,
for trying the program without the internet.

  scripts/feedserver.py [--port 8765] [--folder ../shared/data/bnr] [--feed-date 2026-08-19]
                        [--single-days served|404|page]

/nbrfxrates.xml              the newest day available (or --feed-date)
/nbrfxrates10days.xml        the last ten days up to it, newest first
/files/xml/years/nbrfxratesYYYY.xml   the yearly file, when the folder has it (the feed's
                                      year only up to the feed's day)
/MakeXmlFile.aspx?date=D.M.YYYY       that day, from a daily file or a yearly file; with
                                      --single-days 404 or page, as a bank that no longer
                                      serves single days (404, or a redirect to a web page)
"""
import argparse
import datetime
import glob
import http.server
import os
import re
import urllib.parse

NO_RATES = b'<html><body>Nu exista curs pentru data selectata</body></html>'
HOME_PAGE = b'<!DOCTYPE html><html><body><p>Banca</p></body></html>'
HEAD = ('<?xml version="1.0" encoding="utf-8"?><DataSet xmlns="https://www.bnr.ro/xsd"><Header>'
        '<Publisher>National Bank of Romania</Publisher></Header><Body><Subject>Reference rates</Subject>'
        '<OrigCurrency>RON</OrigCurrency>')


def load(folder):
    days = {}
    cubes = {}
    years = {}
    for path in glob.glob(os.path.join(folder, 'nbrfxrates[0-9][0-9][0-9][0-9].xml')):
        year = int(re.search(r'(\d{4})\.xml$', path).group(1))
        data = open(path, 'rb').read()
        years[year] = data
        text = data.decode('utf-8-sig')
        head = text[:text.find('<Cube')]
        for m in re.finditer(r'<Cube date="(\d{4}-\d{2}-\d{2})">(.*?)</Cube>', text, re.S):
            day = datetime.date.fromisoformat(m.group(1))
            days[day] = (head + m.group(0) + '</Body></DataSet>').encode('utf-8')
            cubes[day] = m.group(0)
    for path in glob.glob(os.path.join(folder, 'daily', '*', '*.xml')):
        day = datetime.date.fromisoformat(os.path.basename(os.path.dirname(path)))
        days[day] = open(path, 'rb').read()
        m = re.search(r'<Cube date="\d{4}-\d{2}-\d{2}">.*?</Cube>', days[day].decode('utf-8-sig'), re.S)
        if m and day not in cubes:
            cubes[day] = m.group(0)
    return days, cubes, years


def document(cubes, wanted):
    return (HEAD + ''.join(cubes[d] for d in wanted) + '</Body></DataSet>').encode('utf-8')


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--port', type=int, default=8765)
    ap.add_argument('--folder', default=os.path.join(os.path.dirname(__file__), '..', '..', 'shared', 'data', 'bnr'))
    ap.add_argument('--feed-date')
    ap.add_argument('--single-days', choices=['served', '404', 'page'], default='served')
    args = ap.parse_args()
    days, cubes, years = load(args.folder)
    feed_day = datetime.date.fromisoformat(args.feed_date) if args.feed_date else max(days)

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            url = urllib.parse.urlparse(self.path)
            body = None
            if url.path == '/':
                body = HOME_PAGE
            elif url.path == '/nbrfxrates.xml':
                body = days.get(feed_day)
            elif url.path == '/nbrfxrates10days.xml':
                body = document(cubes, sorted((d for d in cubes if d <= feed_day), reverse=True)[:10])
            elif url.path.startswith('/files/xml/years/'):
                m = re.search(r'nbrfxrates(\d{4})\.xml$', url.path)
                year = int(m.group(1)) if m else 0
                if year == feed_day.year:
                    body = document(cubes, sorted(d for d in cubes if d.year == year and d <= feed_day))
                else:
                    body = years.get(year)
            elif url.path == '/MakeXmlFile.aspx' and args.single_days == 'page':
                self.send_response(302)
                self.send_header('Location', '/')
                self.end_headers()
                return
            elif url.path == '/MakeXmlFile.aspx' and args.single_days == '404':
                body = None
            elif url.path == '/MakeXmlFile.aspx':
                d, mth, y = (int(x) for x in urllib.parse.parse_qs(url.query)['date'][0].split('.'))
                body = days.get(datetime.date(y, mth, d), NO_RATES)
            if body is None:
                self.send_error(404)
                return
            self.send_response(200)
            self.send_header('Content-Type', 'text/html' if body is HOME_PAGE else 'text/xml')
            self.send_header('Content-Length', str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *a):
            pass

    http.server.ThreadingHTTPServer(('127.0.0.1', args.port), Handler).serve_forever()


if __name__ == '__main__':
    main()
