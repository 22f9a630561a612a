# Finds every run of digits in a 1 MB text and sums their lengths; ten passes.
import re

text = "ab 12 cde 345 fghi 6 jk 78901 z "
for i in range(15):
    text = text + text
total = 0
for p in range(10):
    for m in re.finditer("[0-9]+", text):
        total = total + len(m.group(0))
print(total)
