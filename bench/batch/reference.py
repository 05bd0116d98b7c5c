#!/usr/bin/python3
"""The credit-card scorecard scored the way an analyst would: the whole file read into a
pandas DataFrame, every characteristic's points worked out column-wise with numpy, the
results written as the same JSON lines that solvara-report --batch writes, so that the
two outputs can be compared byte for byte.

    reference.py APPLICANTS.jsonl RESULTS.jsonl
"""
import sys

import numpy as np
import pandas as pd

BASE, CUTOFF = 819, 821
KEYS = ["age", "marital", "salary", "residential", "address-years", "telephone", "occupation",
        "job-years", "visa", "mastercard", "cheque-card", "charge-cards", "live-accounts",
        "missed-payments", "defaults", "ccj", "settled", "electoral"]
# Points of each occupation list entry (its scorecard code's band); "Other" has none.
OCCUPATION = np.array([0, 0, 20, -30, 0, 0, 15, -50, 0, 0, 20, 15, 20, 20, 0, 15, 0, 0, 15,
                       0, 0, 0, 0, 0, 0, 15, -40, -40, 0])
NO_JOB = [0, 1, 2, 3, 7]  # entries for which the years in the job do not count
RATINGS = [(1031, "Excellent"), (977, "Extremely good"), (942, "Very good"), (901, "Very good"),
           (861, "Good"), (821, "Acceptable"), (766, "Slightly poor"), (723, "Very poor")]


def number(df, key, default):
    return pd.to_numeric(df[key], errors="coerce").fillna(default).astype(np.int64).to_numpy()


def words(df, key):
    return df[key].astype("string").fillna("").to_numpy(dtype=object)


def monthly_income(df):
    text = df["salary"].astype("string").fillna("")
    text = text.str.split(".", n=1).str[0].str.replace("[ $,\u20ac\u00a3]", "", regex=True)
    amount = pd.to_numeric(text.where(text.str.fullmatch(r"[+-]?\d+")), errors="coerce")
    usable = amount.notna() & (amount >= 0) & (amount <= 2**31 - 1)
    return np.where(usable, amount.fillna(0) // 12, 0).astype(np.int64)


def points(df):
    word = {key: words(df, key) for key in KEYS}.get
    age = number(df, "age", 18)
    years = number(df, "address-years", 0)
    entry = number(df, "occupation", -1)
    job = number(df, "job-years", 0)
    live = number(df, "live-accounts", 0)
    telephone = df["telephone"].astype("string").fillna("").str.strip().to_numpy(dtype=object)
    has_job = (entry >= 0) & ~np.isin(entry, NO_JOB)
    electoral = word("electoral")
    select = np.select
    return {
        "Age": select([age <= 22, age <= 26, age <= 35, age <= 40, age <= 50, age <= 60],
                      [-82, -42, -33, -27, -19, -10], 80),
        "MaritalStatus": select([word("marital") == "married", word("marital") == "divorced"],
                                [15, -40], 0),
        "ResidentialStatus": pd.Series(word("residential")).map(
            {"tenant": 30, "parents": 51, "owner": 71, "local-authority": -75}).fillna(0).to_numpy(),
        "TimeAtAddress": select([years <= 5, years <= 9, years <= 19], [0, 11, 18], 51),
        "HomeTelephone": np.where(telephone == "", -15, 0),
        "Occupation": np.where(entry >= 0, OCCUPATION[np.clip(entry, 0, 28)], 0),
        "TimeInJob": np.where(has_job, select([job <= 8, job <= 14], [0, 10], 30), 0),
        "VisaCardHeld": np.where(word("visa") == "yes", 30, 0),
        "AccessMastercardHeld": np.where(word("mastercard") == "yes", 30, 0),
        "ChequeCardHeld": np.where(word("cheque-card") == "yes", 75, 0),
        "ChargeCardAccountsHeld": np.where(number(df, "charge-cards", 0) == 6, -30, 0),
        "LiveCreditAccounts": select([live == 1, live <= 4, live <= 7], [25, 33, 60], 0) * (live > 0),
        "WorstStatusofLiveAccounts": np.where(word("missed-payments") == "yes", -170, 0),
        "DefaultAccounts": select([word("defaults") == "yes", word("defaults") == "more-than-one"],
                                  [-150, -220], 0),
        "CCJS": select([word("ccj") == "yes", word("ccj") == "more-than-one"], [-147, -160], 0),
        "SettledCreditAccounts": select([np.isin(word("settled"), ["1", "2"]),
                                         word("settled") == "more-than-2"], [12, 25], 0),
        "NamesMatchingonElectoralRoll": np.where(np.isin(electoral, ["yes", "over-5-years"]), 10, 0),
        "YearsSinceLastRegistered": np.where(electoral == "over-5-years", -30, 0),
    }


def reasons(values, names, sign):
    """{"Name":points,...} for the points of one sign, largest first, then names in
    descending order regardless of case."""
    rank = np.argsort(np.argsort([n.lower() for n in names])[::-1])  # 0: the last name
    kept = np.where(np.sign(values) == sign, values, 0)
    order = np.argsort(-np.abs(kept) * 100 + rank, axis=1, kind="stable")
    rows = np.arange(len(values))
    text = np.full(len(values), "", dtype=object)
    for k in range(len(names)):
        column = order[:, k]
        value = kept[rows, column]
        if not value.any():
            break  # the zeros sort last: every row is done
        piece = np.array(names, dtype=object)[column] + '":' + value.astype(str).astype(object)
        text = np.where(value != 0, text + np.where(text == "", '"', ',"') + piece, text)
    return "{" + text + "}"


def main():
    source, target = sys.argv[1], sys.argv[2]
    df = pd.read_json(source, lines=True, dtype=False).reindex(columns=KEYS)
    table = points(df)
    names = list(table)
    values = np.column_stack([np.asarray(table[n], dtype=np.int64) for n in names])
    total = BASE + values.sum(axis=1)
    income = monthly_income(df)
    column = np.select([total <= 860, total <= 900], [0, 1], 2)
    row = np.select([income <= 750, income <= 1300, income <= 2000], [0, 1, 2], 3)
    grid = np.array([[1000, 1250, 2000], [1250, 1750, 2500], [2000, 3000, 3000], [2500, 3000, 3000]])
    limit = np.where(total >= CUTOFF, grid[row, column], 0)
    rating = np.select([total >= low for low, _ in RATINGS], [w for _, w in RATINGS], "Very poor")
    lines = ('{"total":' + total.astype(str).astype(object)
             + ',"cutoff":' + str(CUTOFF)
             + np.where(total >= CUTOFF, ',"accepted":true', ',"accepted":false').astype(object)
             + ',"rating":"' + rating.astype(object)
             + '","limit":' + np.where(income > 0, limit.astype(str), "null").astype(object)
             + ',"positive":' + reasons(values, names, 1)
             + ',"negative":' + reasons(values, names, -1) + "}")
    with open(target, "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
