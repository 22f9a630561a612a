s = "x"
for i in range(20):
    s = s + s
n = 0
for round in range(8):
    n = n + len(s.replace("x", "yy"))
print(n)
