l = []
s = "kestrel"
n = 0
for i in range(1000000):
    l.append(i % 100)
    n = n + s.find("r")
print(len(l))
print(n)
