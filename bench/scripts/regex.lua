-- Finds every run of digits in a 1 MB text and sums their lengths; ten passes.
local text = "ab 12 cde 345 fghi 6 jk 78901 z "
for i = 1, 15 do
  text = text .. text
end
local total = 0
for p = 1, 10 do
  for run in string.gmatch(text, "%d+") do
    total = total + #run
  end
end
print(total)
