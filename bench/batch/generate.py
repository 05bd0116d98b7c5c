#!/usr/bin/python3
"""Writes N applicants as JSON Lines for solvara-report --batch, the same N always
giving the same file. The keys and what each accepts are read from the program's own
--help, so that no question is described twice.

    generate.py PROGRAM N > applicants.jsonl
"""
import json
import random
import re
import subprocess
import sys


def questions(program):
    """(key, values) for each row of --help's key table; values is a range, a list of
    words, or None for free text."""
    text = subprocess.run([program, "--help"], check=True, capture_output=True, text=True).stdout
    table = text.split("Keys:\n", 1)[1].split("\n\n", 1)[0].splitlines()[1:]
    rows = []
    for line in table:
        key, values = re.split(r"\s{2,}", line.strip())[:2]
        span = re.fullmatch(r"(\d+) \.\.\. (\d+)", values)
        if span:
            rows.append((key, range(int(span[1]), int(span[2]) + 1)))
        elif values == "any text":
            rows.append((key, None))
        else:
            rows.append((key, values.split(", ")))
    return rows


SALARIES = ["{}", "\u00a3{:,}", "{:,}.99", "${}", "{} \u20ac", "", "25k"]
TELEPHONES = ["", "01632 960123", "  "]


def main():
    program, count = sys.argv[1], int(sys.argv[2])
    rows = questions(program)
    rng = random.Random(count)
    out = sys.stdout
    for _ in range(count):
        applicant = {}
        for key, values in rows:
            if rng.random() < 0.2:
                continue  # left in the start state
            if values is None:
                if key == "salary":
                    amount = rng.randrange(0, 120000)
                    form = rng.choice(SALARIES)
                    applicant[key] = amount if form == "{}" and rng.random() < 0.5 else form.format(amount)
                else:
                    applicant[key] = rng.choice(TELEPHONES)
            elif isinstance(values, range):
                value = rng.choice(values)
                applicant[key] = value if rng.random() < 0.8 else str(value)
            else:
                applicant[key] = rng.choice(values)
        out.write(json.dumps(applicant, ensure_ascii=False, separators=(",", ":")) + "\n")


if __name__ == "__main__":
    main()
