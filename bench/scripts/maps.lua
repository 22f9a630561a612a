local m = {}
for i = 0, 200000 - 1 do
  m["k" .. i] = i
end
local sum = 0
for i = 0, 200000 - 1 do
  sum = sum + m["k" .. i] % 7
end
local count = 0
for _ in pairs(m) do count = count + 1 end
print(count)
print(sum)
