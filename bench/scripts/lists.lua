local l = {}
local x = 1
for i = 1, 300000 do
  x = (x * 75 + 74) % 65537
  l[#l + 1] = x % 1000
end
table.sort(l)
local sum = 0
for i = 0, 300000 - 1 do
  sum = sum + l[i + 1] * (i % 4)
end
print(sum)
